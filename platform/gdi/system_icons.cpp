// The system icons, drawn by the layer: a red disc with a white cross (hand), blue discs with a
// white "?" (question) or "i" (asterisk), a yellow triangle with a black "!" (exclamation).
#include <cmath>
#include <functional>

#include "winuser.h"

#include "gdi/icon.h"
#include "gdi/pixel_ops.h"
#include "gdi/realized_font.h"

namespace ce::gdi {

namespace {

// Samples per pixel along each axis, for smooth edges.
constexpr int kSamples = 4;
constexpr float kCentre = kIconSize / 2.0f;

struct Colour {
    float red;
    float green;
    float blue;
};

constexpr Colour kRed{210, 30, 30};
constexpr Colour kBlue{30, 90, 200};
constexpr Colour kYellow{250, 205, 20};
constexpr Colour kWhite{255, 255, 255};

// The colour at a point, or nothing outside the shape.
using Shape = std::function<std::optional<Colour>(float x, float y)>;

float SegmentDistance(float x, float y, float x0, float y0, float x1, float y1) {
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float t = std::clamp(((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy));
}

bool InDisc(float x, float y) {
    return std::hypot(x - kCentre, y - kCentre) <= kCentre - 1.0f;
}

bool InTriangle(float x, float y) {
    constexpr float kTop = 2.0f;
    constexpr float kBottom = 30.0f;
    if (y < kTop || y > kBottom) {
        return false;
    }
    const float halfWidth = (y - kTop) / (kBottom - kTop) * (kCentre - 1.0f);
    return std::fabs(x - kCentre) <= halfWidth;
}

DecodedImage Rasterize(const Shape& shape) {
    DecodedImage image;
    image.pixels = std::make_shared<Surface>(kIconSize, kIconSize);
    image.alpha.resize(kIconSize * kIconSize);
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            Colour sum{0, 0, 0};
            int inside = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const auto colour = shape(static_cast<float>(x) + (sx + 0.5f) / kSamples,
                                              static_cast<float>(y) + (sy + 0.5f) / kSamples);
                    if (colour) {
                        sum = Colour{sum.red + colour->red, sum.green + colour->green,
                                     sum.blue + colour->blue};
                        ++inside;
                    }
                }
            }
            if (inside == 0) {
                continue;
            }
            const auto average = [&](float total) {
                return static_cast<unsigned>(std::lround(total / static_cast<float>(inside)));
            };
            image.pixels->Set(
                x, y, ToPixel(RGB(average(sum.red), average(sum.green), average(sum.blue))));
            image.alpha[static_cast<std::size_t>(y * kIconSize + x)] =
                static_cast<std::uint8_t>(inside * 255 / (kSamples * kSamples));
        }
    }
    return image;
}

// Blends a bold character centred on (x, y); the icon's opacity stays that of its shape.
void DrawMark(DecodedImage& image, char32_t character, float x, float y, Colour colour) {
    LOGFONTW logFont{};
    logFont.lfHeight = -22;
    logFont.lfWeight = FW_BOLD;
    const auto font = RealizedFont::For(logFont);
    if (!font) {
        return;
    }
    const Glyph& glyph = font->GlyphOf(character);
    const int left = static_cast<int>(std::lround(x - static_cast<float>(glyph.width) / 2));
    const int top = static_cast<int>(std::lround(y - static_cast<float>(glyph.height) / 2));
    BlendCoverage(*image.pixels, left, top, glyph.coverage.data(), glyph.width, glyph.height,
                  glyph.width,
                  ToPixel(RGB(static_cast<int>(colour.red), static_cast<int>(colour.green),
                              static_cast<int>(colour.blue))),
                  image.pixels->Bounds());
}

DecodedImage DiscWithMark(char32_t mark) {
    auto image = Rasterize([](float x, float y) -> std::optional<Colour> {
        return InDisc(x, y) ? std::optional(kBlue) : std::nullopt;
    });
    DrawMark(image, mark, kCentre, kCentre, kWhite);
    return image;
}

}  // namespace

std::optional<DecodedImage> DrawSystemIcon(int id) {
    switch (id) {
        case 32513:  // IDI_HAND
            return Rasterize([](float x, float y) -> std::optional<Colour> {
                if (!InDisc(x, y)) {
                    return std::nullopt;
                }
                constexpr float kNear = 10.0f;
                constexpr float kFar = kIconSize - kNear;
                const bool cross = SegmentDistance(x, y, kNear, kNear, kFar, kFar) <= 2.0f ||
                                   SegmentDistance(x, y, kFar, kNear, kNear, kFar) <= 2.0f;
                return cross ? kWhite : kRed;
            });
        case 32514:  // IDI_QUESTION
            return DiscWithMark(U'?');
        case 32515: {  // IDI_EXCLAMATION
            auto image = Rasterize([](float x, float y) -> std::optional<Colour> {
                return InTriangle(x, y) ? std::optional(kYellow) : std::nullopt;
            });
            DrawMark(image, U'!', kCentre, 19.0f, Colour{0, 0, 0});
            return image;
        }
        case 32516:  // IDI_ASTERISK
            return DiscWithMark(U'i');
        default:
            return std::nullopt;
    }
}

}  // namespace ce::gdi

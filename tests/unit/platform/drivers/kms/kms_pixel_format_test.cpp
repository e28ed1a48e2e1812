// The composited screen copied into scanout buffers, and the buffer format chosen for a plane.
#include <gtest/gtest.h>
#include <drm_fourcc.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "drivers/kms/kms_pixel_format.h"
#include "gdi/surface.h"

namespace ce::drivers::kms {
namespace {

constexpr std::uint8_t kUntouched = 0xA5;

// A screen whose pixels differ in every channel, with black, white and the pure colours at the
// start of the first row.
std::unique_ptr<gdi::Surface> PatternScreen(int width, int height) {
    auto screen = std::make_unique<gdi::Surface>(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            screen->Set(x, y,
                        static_cast<gdi::Pixel>((x * 40503u + y * 9973u) * 2654435761u >> 16));
        }
    }
    const gdi::Pixel extremes[] = {0x0000, 0xFFFF, 0xF800, 0x07E0, 0x001F};
    for (int x = 0; x < 5 && x < width; ++x) {
        screen->Set(x, 0, extremes[x]);
    }
    return screen;
}

bool Inside(const RECT& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

TEST(KmsPixelFormat, CopiesTheChangedPartIntoABufferOfItsFormatAndPitch) {
    struct Row {
        const char* name;
        ScanoutFormat format;
        RECT area;
        std::size_t padding;  // bytes past the end of each row
        RECT copied;          // the part of the 9x6 screen that lands in the buffer
    };
    const Row rows[] = {
        {"RGB565, the whole screen", ScanoutFormat::kRgb565, {0, 0, 9, 6}, 14, {0, 0, 9, 6}},
        {"RGB565, a part at odd places", ScanoutFormat::kRgb565, {3, 1, 8, 4}, 2, {3, 1, 8, 4}},
        {"XRGB8888, the whole screen", ScanoutFormat::kXrgb8888, {0, 0, 9, 6}, 12, {0, 0, 9, 6}},
        {"XRGB8888, a part at odd places", ScanoutFormat::kXrgb8888, {1, 2, 6, 5}, 4, {1, 2, 6, 5}},
        {"XRGB8888, a part beyond the screen is cut",
         ScanoutFormat::kXrgb8888,
         {-2, 4, 20, 9},
         8,
         {0, 4, 9, 6}},
    };
    const auto pattern = PatternScreen(9, 6);
    const gdi::Surface& screen = *pattern;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t bytesPerPixel = row.format == ScanoutFormat::kRgb565 ? 2 : 4;
        const std::size_t pitch = screen.Width() * bytesPerPixel + row.padding;
        // One byte more than the rows hold, so that the buffer starts at an odd address.
        std::vector<std::uint8_t> memory(pitch * screen.Height() + 1, kUntouched);
        std::uint8_t* buffer = memory.data() + 1;
        CopyToScanout(screen, row.area, row.format, buffer, pitch);

        for (int y = 0; y < screen.Height(); ++y) {
            for (std::size_t offset = 0; offset < pitch; ++offset) {
                const std::uint8_t* byte = buffer + y * pitch + offset;
                const int x = static_cast<int>(offset / bytesPerPixel);
                const std::size_t channel = offset % bytesPerPixel;
                if (x >= screen.Width() || !Inside(row.copied, x, y)) {
                    ASSERT_EQ(*byte, kUntouched) << "x " << x << " y " << y;
                    continue;
                }
                const gdi::Pixel pixel = screen.At(x, y);
                if (row.format == ScanoutFormat::kRgb565) {
                    // Little-endian 16 bits: the low byte first.
                    const std::uint8_t expected = channel == 0 ? pixel & 0xFF : pixel >> 8;
                    ASSERT_EQ(*byte, expected) << "x " << x << " y " << y;
                    continue;
                }
                // Little-endian 32 bits of xRGB: blue, green, red and a byte that does not
                // count; each colour as GDI reports the pixel's.
                const COLORREF color = gdi::ToColor(pixel);
                const unsigned blue = (color >> 16) & 0xFF;
                const unsigned green = (color >> 8) & 0xFF;
                const unsigned red = color & 0xFF;
                const unsigned expected[] = {blue, green, red};
                if (channel < 3) {
                    ASSERT_EQ(*byte, expected[channel]) << "x " << x << " y " << y;
                }
            }
        }
    }
}

TEST(KmsPixelFormat, TakesTheScreensOwnFormatWhenThePlaneOffersIt) {
    struct Row {
        std::vector<std::uint32_t> offered;
        std::optional<ScanoutFormat> chosen;
    };
    const Row rows[] = {
        {{DRM_FORMAT_XRGB8888, DRM_FORMAT_ARGB8888, DRM_FORMAT_RGB565}, ScanoutFormat::kRgb565},
        {{DRM_FORMAT_ARGB8888, DRM_FORMAT_XRGB8888}, ScanoutFormat::kXrgb8888},
        {{DRM_FORMAT_ARGB8888, DRM_FORMAT_BGR565}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.offered.size());
        EXPECT_EQ(ChooseScanoutFormat(row.offered), row.chosen);
    }
}

}  // namespace
}  // namespace ce::drivers::kms

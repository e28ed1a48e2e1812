// The scanout's pixels as ReadScreen gives them: DRM framebuffers and framebuffer devices of each
// format, written here byte by byte as the kernel's headers document them, read into RGB565
// surfaces and compared with each colour's top 5, 6 and 5 bits.
#include <drm_fourcc.h>
#include <gtest/gtest.h>
#include <linux/fb.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "drivers/kernel/drm_format.h"
#include "drivers/kernel/fbdev_format.h"
#include "drivers/screen_image.h"

namespace ce::drivers::kernel_remote {
namespace {

struct Colour {
    unsigned red;
    unsigned green;
    unsigned blue;
};

// Differs from pixel to pixel in high and low bits of every component.
Colour ColourAt(int x, int y) {
    return Colour{(x * 53u + y * 17u + 9u) & 0xFFu, (x * 29u + y * 71u + 130u) & 0xFFu,
                  (x * 97u + y * 5u + 201u) & 0xFFu};
}

gdi::Pixel Rgb565(Colour c) {
    return static_cast<gdi::Pixel>((c.red >> 3) << 11 | (c.green >> 2) << 5 | (c.blue >> 3));
}

void Put16(std::byte* at, unsigned value) {
    at[0] = std::byte(value & 0xFFu);
    at[1] = std::byte(value >> 8);
}

// The bytes of one pixel in memory, lowest address first, as drm_fourcc.h writes each format
// ("[31:0] x:R:G:B 8:8:8:8 little endian": B at the lowest address). The padding and alpha bytes
// hold junk that must not show.
void PutDrmPixel(std::uint32_t fourcc, std::byte* at, Colour c) {
    const auto r = std::byte(c.red), g = std::byte(c.green), b = std::byte(c.blue);
    const auto junk = std::byte(0xA5);
    switch (fourcc) {
        case DRM_FORMAT_XRGB8888:
        case DRM_FORMAT_ARGB8888:
            at[0] = b, at[1] = g, at[2] = r, at[3] = junk;
            break;
        case DRM_FORMAT_XBGR8888:
            at[0] = r, at[1] = g, at[2] = b, at[3] = junk;
            break;
        case DRM_FORMAT_BGRX8888:
            at[0] = junk, at[1] = r, at[2] = g, at[3] = b;
            break;
        case DRM_FORMAT_RGB565:
            Put16(at, (c.red >> 3) << 11 | (c.green >> 2) << 5 | (c.blue >> 3));
            break;
        case DRM_FORMAT_BGR565:
            Put16(at, (c.blue >> 3) << 11 | (c.green >> 2) << 5 | (c.red >> 3));
            break;
    }
}

std::size_t DrmPixelBytes(std::uint32_t fourcc) {
    switch (fourcc) {
        case DRM_FORMAT_RGB565:
        case DRM_FORMAT_BGR565:
            return 2;
        case DRM_FORMAT_RGB888:
            return 3;
        default:
            return 4;
    }
}

// A framebuffer device's pixel: each component's top bits in its bitfield of a word of
// bits_per_pixel, stored in this machine's order.
void PutFbdevPixel(const fb_var_screeninfo& variable, std::byte* at, Colour c) {
    auto field = [](const fb_bitfield& f, unsigned component) -> std::uint32_t {
        return f.length == 0 ? 0u : (component >> (8 - f.length)) << f.offset;
    };
    const std::uint32_t word =
        field(variable.red, c.red) | field(variable.green, c.green) | field(variable.blue, c.blue);
    if (variable.bits_per_pixel == 16) {
        const auto half = static_cast<std::uint16_t>(word);
        std::memcpy(at, &half, sizeof(half));
    } else {
        std::memcpy(at, &word, std::min<std::size_t>(variable.bits_per_pixel / 8, sizeof(word)));
    }
}

// A scanout: a DRM framebuffer when fourcc is set, else a framebuffer device; the screen it shows
// (width x height at x, y) in a buffer of bufferWidth x bufferHeight pixels, rows `pitch` apart
// after `offset` bytes.
struct Layout {
    std::optional<std::uint32_t> fourcc;
    std::uint64_t modifier = DRM_FORMAT_MOD_LINEAR;
    fb_var_screeninfo fbdev{};
    std::uint32_t visual = FB_VISUAL_TRUECOLOR;
    int width = 0;
    int height = 0;
    std::uint32_t pitch = 0;
    int bufferWidth = 0;
    int bufferHeight = 0;
    std::uint32_t offset = 0;
    int x = 0;
    int y = 0;

    Layout In(int w, int h, std::uint32_t bytesBefore = 0) const {
        Layout copy = *this;
        copy.bufferWidth = w;
        copy.bufferHeight = h;
        copy.offset = bytesBefore;
        return copy;
    }
    Layout At(int left, int top) const {
        Layout copy = *this;
        copy.x = left;
        copy.y = top;
        return copy;
    }
    Layout Tiled(std::uint64_t layoutModifier) const {
        Layout copy = *this;
        copy.modifier = layoutModifier;
        return copy;
    }
    Layout Visual(std::uint32_t fbVisual) const {
        Layout copy = *this;
        copy.visual = fbVisual;
        return copy;
    }
};

Layout Drm(std::uint32_t fourcc, int width, int height, std::uint32_t pitch) {
    Layout layout;
    layout.fourcc = fourcc;
    layout.width = layout.bufferWidth = width;
    layout.height = layout.bufferHeight = height;
    layout.pitch = pitch;
    return layout;
}

Layout Fbdev(unsigned bits, fb_bitfield red, fb_bitfield green, fb_bitfield blue, int width,
             int height, std::uint32_t pitch) {
    Layout layout;
    layout.fbdev.bits_per_pixel = bits;
    layout.fbdev.red = red;
    layout.fbdev.green = green;
    layout.fbdev.blue = blue;
    layout.width = layout.bufferWidth = width;
    layout.height = layout.bufferHeight = height;
    layout.pitch = pitch;
    return layout;
}

constexpr fb_bitfield kRed8{16, 8, 0}, kGreen8{8, 8, 0}, kBlue8{0, 8, 0}, kNone{0, 0, 0};

// The scanout's bytes, each pixel of the buffer the colour of its place in the buffer.
std::vector<std::byte> Paint(const Layout& layout) {
    const std::size_t pixelBytes =
        layout.fourcc ? DrmPixelBytes(*layout.fourcc) : layout.fbdev.bits_per_pixel / 8;
    std::vector<std::byte> buffer(layout.offset + std::size_t{layout.pitch} * layout.bufferHeight,
                                  std::byte(0xEE));
    for (int y = 0; y < layout.bufferHeight; ++y) {
        for (int x = 0; x < layout.bufferWidth; ++x) {
            std::byte* at = buffer.data() + layout.offset + std::size_t{layout.pitch} * y +
                            pixelBytes * static_cast<std::size_t>(x);
            if (layout.fourcc) {
                PutDrmPixel(*layout.fourcc, at, ColourAt(x, y));
            } else {
                PutFbdevPixel(layout.fbdev, at, ColourAt(x, y));
            }
        }
    }
    return buffer;
}

// The image the scanout reader makes of the bytes, as the kernel would describe them.
std::optional<ScreenImage> ImageOf(const Layout& layout, std::span<const std::byte> buffer,
                                   std::string* error) {
    const auto u = [](int value) { return static_cast<std::uint32_t>(value); };
    if (layout.fourcc) {
        const DrmScanoutLayout drm{
            *layout.fourcc,  layout.modifier, u(layout.bufferWidth), u(layout.bufferHeight),
            layout.pitch,    layout.offset,   u(layout.x),           u(layout.y),
            u(layout.width), u(layout.height)};
        return DrmScreenImage(drm, buffer, error);
    }
    fb_var_screeninfo variable = layout.fbdev;
    variable.xres = u(layout.width);
    variable.yres = u(layout.height);
    variable.xres_virtual = u(layout.bufferWidth);
    variable.yres_virtual = u(layout.bufferHeight);
    variable.xoffset = u(layout.x);
    variable.yoffset = u(layout.y);
    fb_fix_screeninfo fixed{};
    fixed.type = FB_TYPE_PACKED_PIXELS;
    fixed.visual = layout.visual;
    fixed.line_length = layout.pitch;
    fixed.smem_len = u(static_cast<int>(buffer.size()));
    return FbdevScreenImage(variable, fixed, buffer, error);
}

// What is read, into a destination of the size (bottom-up or not) at `at`.
struct Read {
    RECT rect{};
    SIZE destination{};
    bool bottomUp = false;
    POINT at{};
};

TEST(ScanoutFormat, ReadsEachLayoutAsItsColoursOrSaysWhyNot) {
    struct Case {
        const char* name;
        Layout layout;
        // Nothing: the whole screen into a top-down destination of its size.
        std::optional<Read> read;
        // Words of the reason when the scanout cannot be read; none: its pixels are read.
        std::vector<std::string> error;
    };
    const Case cases[] = {
        {"XRGB8888, rows wider than the screen and not word-aligned",
         Drm(DRM_FORMAT_XRGB8888, 5, 3, 5 * 4 + 6),
         {},
         {}},
        {"XRGB8888, rows of many pixels", Drm(DRM_FORMAT_XRGB8888, 37, 2, 37 * 4 + 2), {}, {}},
        {"ARGB8888: alpha is no colour", Drm(DRM_FORMAT_ARGB8888, 4, 2, 16), {}, {}},
        {"XBGR8888", Drm(DRM_FORMAT_XBGR8888, 3, 2, 12), {}, {}},
        {"BGRX8888", Drm(DRM_FORMAT_BGRX8888, 3, 2, 12), {}, {}},
        {"RGB565, 16 bits with an odd pitch", Drm(DRM_FORMAT_RGB565, 3, 3, 3 * 2 + 1), {}, {}},
        {"BGR565", Drm(DRM_FORMAT_BGR565, 3, 2, 6), {}, {}},
        {"a CRTC showing part of a larger framebuffer past the plane's offset",
         Drm(DRM_FORMAT_XRGB8888, 4, 3, 8 * 4).In(8, 6, 64).At(2, 1),
         {},
         {}},
        {"clipped to the screen and to a bottom-up destination",
         Drm(DRM_FORMAT_XRGB8888, 5, 4, 5 * 4),
         Read{{-2, 1, 4, 9}, {4, 3}, true, {1, 0}},
         {}},
        {"fbdev XRGB, 32 bits, rows wider than the screen",
         Fbdev(32, kRed8, kGreen8, kBlue8, 4, 2, 4 * 4 + 8),
         {},
         {}},
        {"fbdev BGR, 32 bits", Fbdev(32, {0, 8, 0}, kGreen8, {16, 8, 0}, 4, 2, 4 * 4), {}, {}},
        {"fbdev RGB565, rows wider than the screen",
         Fbdev(16, {11, 5, 0}, {5, 6, 0}, {0, 5, 0}, 3, 2, 3 * 2 + 4),
         {},
         {}},
        {"fbdev panned down to its second buffer and right, into a bottom-up destination",
         Fbdev(32, kRed8, kGreen8, kBlue8, 4, 3, 6 * 4).In(6, 8).At(1, 4),
         Read{{0, 0, 4, 3}, {4, 3}, true, {}},
         {}},
        {"a planar format", Drm(DRM_FORMAT_NV12, 4, 2, 16), {}, {"NV12", "cannot"}},
        {"24 bits a pixel", Drm(DRM_FORMAT_RGB888, 4, 2, 12), {}, {"RG24", "cannot"}},
        {"a tiled framebuffer",
         Drm(DRM_FORMAT_XRGB8888, 4, 2, 16).Tiled(I915_FORMAT_MOD_X_TILED),
         {},
         {"modifier", "not linear"}},
        {"a CRTC beyond its framebuffer",
         Drm(DRM_FORMAT_XRGB8888, 4, 2, 16).At(1, 0),
         {},
         {"does not lie"}},
        {"fbdev of 24 bits",
         Fbdev(24, kRed8, kGreen8, kBlue8, 4, 2, 12),
         {},
         {"24 bits", "cannot"}},
        {"fbdev with a palette",
         Fbdev(16, {0, 8, 0}, {0, 8, 0}, {0, 8, 0}, 4, 2, 8).Visual(FB_VISUAL_PSEUDOCOLOR),
         {},
         {"cannot"}},
        {"fbdev bitfields with their top bit right",
         Fbdev(32, {16, 8, 1}, {8, 8, 1}, {0, 8, 1}, 4, 2, 16),
         {},
         {"cannot"}},
        {"fbdev without green", Fbdev(32, kRed8, kNone, kBlue8, 4, 2, 16), {}, {"cannot"}},
        {"fbdev panned beyond its memory",
         Fbdev(32, kRed8, kGreen8, kBlue8, 4, 3, 16).At(0, 2),
         {},
         {"does not lie"}},
    };
    constexpr gdi::Pixel kUntouched = 0x1234;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Layout& layout = c.layout;
        const std::vector<std::byte> buffer = Paint(layout);
        std::string error;
        const std::optional<ScreenImage> image = ImageOf(layout, buffer, &error);
        if (!c.error.empty()) {
            EXPECT_FALSE(image) << "never pixels read the wrong way";
            for (const std::string& word : c.error) {
                EXPECT_NE(error.find(word), std::string::npos) << error;
            }
            continue;
        }
        ASSERT_TRUE(image) << error;

        const Read read = c.read.value_or(
            Read{{0, 0, layout.width, layout.height}, {layout.width, layout.height}});
        // Rows of the destination's memory one pixel wider than it, so a write past a row shows.
        const std::ptrdiff_t stride = read.destination.cx + 1;
        std::vector<gdi::Pixel> memory(static_cast<std::size_t>(stride * read.destination.cy),
                                       kUntouched);
        gdi::Surface destination(memory.data(), read.destination.cx, read.destination.cy, stride,
                                 read.bottomUp);
        ASSERT_TRUE(CopyScreen(*image, read.rect, destination, read.at));
        for (int y = 0; y < read.destination.cy; ++y) {
            const int memoryRow = read.bottomUp ? read.destination.cy - 1 - y : y;
            for (int x = 0; x <= read.destination.cx; ++x) {
                // The screen pixel that lands here, if one does.
                const int sx = x - read.at.x + read.rect.left;
                const int sy = y - read.at.y + read.rect.top;
                const bool copied = x < read.destination.cx && sx >= read.rect.left &&
                                    sx < read.rect.right && sy >= read.rect.top &&
                                    sy < read.rect.bottom && sx >= 0 && sy >= 0 &&
                                    sx < layout.width && sy < layout.height;
                const gdi::Pixel expected =
                    copied ? Rgb565(ColourAt(layout.x + sx, layout.y + sy)) : kUntouched;
                EXPECT_EQ(memory[static_cast<std::size_t>(memoryRow * stride + x)], expected)
                    << "at " << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace ce::drivers::kernel_remote

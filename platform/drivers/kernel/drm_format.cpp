#include "drivers/kernel/drm_format.h"

#include <drm_fourcc.h>

#include <bit>
#include <cstdio>

namespace ce::drivers::kernel_remote {
namespace {

// DRM's formats are little-endian words; the converter reads words in this machine's order.
static_assert(std::endian::native == std::endian::little);

struct FourccFormat {
    std::uint32_t fourcc;
    ScreenFormat format;
};

constexpr FourccFormat kFourccFormats[] = {
    {DRM_FORMAT_XRGB8888, {32, 0x00FF0000, 0x0000FF00, 0x000000FF}},
    {DRM_FORMAT_ARGB8888, {32, 0x00FF0000, 0x0000FF00, 0x000000FF}},
    {DRM_FORMAT_XBGR8888, {32, 0x000000FF, 0x0000FF00, 0x00FF0000}},
    {DRM_FORMAT_ABGR8888, {32, 0x000000FF, 0x0000FF00, 0x00FF0000}},
    {DRM_FORMAT_RGBX8888, {32, 0xFF000000, 0x00FF0000, 0x0000FF00}},
    {DRM_FORMAT_RGBA8888, {32, 0xFF000000, 0x00FF0000, 0x0000FF00}},
    {DRM_FORMAT_BGRX8888, {32, 0x0000FF00, 0x00FF0000, 0xFF000000}},
    {DRM_FORMAT_BGRA8888, {32, 0x0000FF00, 0x00FF0000, 0xFF000000}},
    {DRM_FORMAT_XRGB2101010, {32, 0x3FF00000, 0x000FFC00, 0x000003FF}},
    {DRM_FORMAT_ARGB2101010, {32, 0x3FF00000, 0x000FFC00, 0x000003FF}},
    {DRM_FORMAT_RGB565, {16, 0xF800, 0x07E0, 0x001F}},
    {DRM_FORMAT_BGR565, {16, 0x001F, 0x07E0, 0xF800}},
};

}  // namespace

std::optional<ScreenFormat> ScreenFormatOfFourcc(std::uint32_t fourcc) {
    for (const FourccFormat& entry : kFourccFormats) {
        if (entry.fourcc == fourcc) {
            return entry.format;
        }
    }
    return std::nullopt;
}

std::string FourccName(std::uint32_t fourcc) {
    std::string name;
    for (int shift = 0; shift < 32; shift += 8) {
        const char c = static_cast<char>((fourcc >> shift) & 0x7Fu);
        name += c >= ' ' && c <= '~' ? c : '?';
    }
    char number[16];
    std::snprintf(number, sizeof(number), "0x%08X", static_cast<unsigned>(fourcc));
    return name + " (" + number + ")";
}

std::optional<ScreenImage> DrmScreenImage(const DrmScanoutLayout& layout,
                                          std::span<const std::byte> buffer, std::string* error) {
    const std::optional<ScreenFormat> format = ScreenFormatOfFourcc(layout.fourcc);
    if (!format) {
        *error = "the scanout's pixel format " + FourccName(layout.fourcc) + " cannot be read";
        return std::nullopt;
    }
    // A tiled or compressed buffer has its pixels elsewhere than rows of the pitch.
    if (layout.modifier != DRM_FORMAT_MOD_LINEAR) {
        char modifier[24];
        std::snprintf(modifier, sizeof(modifier), "0x%016llX",
                      static_cast<unsigned long long>(layout.modifier));
        *error = std::string("the scanout's layout (modifier ") + modifier +
                 ") is not linear and cannot be read";
        return std::nullopt;
    }
    const std::uint64_t pixelBytes = static_cast<std::uint64_t>(format->bitsPerPixel / 8);
    const std::uint64_t right = std::uint64_t{layout.x} + layout.width;
    const std::uint64_t bottom = std::uint64_t{layout.y} + layout.height;
    const bool inBuffer =
        layout.width > 0 && layout.height > 0 && right <= layout.bufferWidth &&
        bottom <= layout.bufferHeight &&
        std::uint64_t{layout.pitch} >= pixelBytes * layout.bufferWidth &&
        std::uint64_t{layout.offset} + (bottom - 1) * layout.pitch + right * pixelBytes <=
            buffer.size();
    if (!inBuffer) {
        *error = "the scanout's layout does not lie in its buffer";
        return std::nullopt;
    }
    const std::size_t start = static_cast<std::size_t>(std::uint64_t{layout.offset} +
                                                       std::uint64_t{layout.y} * layout.pitch +
                                                       std::uint64_t{layout.x} * pixelBytes);
    return ScreenImage{buffer.data() + start, layout.pitch, static_cast<int>(layout.width),
                       static_cast<int>(layout.height), *format};
}

}  // namespace ce::drivers::kernel_remote

#include "drivers/kms/kms_pixel_format.h"

#include <drm_fourcc.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "gdi/rect_math.h"

namespace ce::drivers::kms {
namespace {

// 5 or 6 bits widened to 8 by repeating the top bits into the low ones: black stays 0 and full
// intensity becomes 255.
constexpr std::array<std::uint8_t, 32> kFiveToEight = [] {
    std::array<std::uint8_t, 32> table{};
    for (unsigned value = 0; value < table.size(); ++value) {
        table[value] = static_cast<std::uint8_t>((value << 3) | (value >> 2));
    }
    return table;
}();

constexpr std::array<std::uint8_t, 64> kSixToEight = [] {
    std::array<std::uint8_t, 64> table{};
    for (unsigned value = 0; value < table.size(); ++value) {
        table[value] = static_cast<std::uint8_t>((value << 2) | (value >> 4));
    }
    return table;
}();

// One row in the buffer's format, written to the buffer in one copy: a write-combined mapping
// takes long sequential writes best.
void ConvertRow(const gdi::Pixel* source, std::size_t count, ScanoutFormat format,
                std::uint8_t* row) {
    if (format == ScanoutFormat::kRgb565) {
        for (std::size_t i = 0; i < count; ++i) {
            row[2 * i] = static_cast<std::uint8_t>(source[i] & 0xFFu);
            row[2 * i + 1] = static_cast<std::uint8_t>(source[i] >> 8);
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const gdi::Pixel pixel = source[i];
        row[4 * i] = kFiveToEight[pixel & 0x1Fu];
        row[4 * i + 1] = kSixToEight[(pixel >> 5) & 0x3Fu];
        row[4 * i + 2] = kFiveToEight[(pixel >> 11) & 0x1Fu];
        row[4 * i + 3] = 0xFF;
    }
}

}  // namespace

std::uint32_t FourccOf(ScanoutFormat format) {
    return format == ScanoutFormat::kRgb565 ? DRM_FORMAT_RGB565 : DRM_FORMAT_XRGB8888;
}

unsigned BitsPerPixelOf(ScanoutFormat format) {
    return format == ScanoutFormat::kRgb565 ? 16 : 32;
}

std::optional<ScanoutFormat> ChooseScanoutFormat(std::span<const std::uint32_t> planeFormats) {
    const auto offers = [&](std::uint32_t fourcc) {
        return std::find(planeFormats.begin(), planeFormats.end(), fourcc) != planeFormats.end();
    };
    if (offers(DRM_FORMAT_RGB565)) {
        return ScanoutFormat::kRgb565;
    }
    if (offers(DRM_FORMAT_XRGB8888)) {
        return ScanoutFormat::kXrgb8888;
    }
    return std::nullopt;
}

void CopyToScanout(const gdi::Surface& screen, const RECT& area, ScanoutFormat format,
                   std::uint8_t* buffer, std::size_t pitch) {
    const RECT part = Intersect(area, screen.Bounds());
    if (IsEmpty(part)) {
        return;
    }
    const std::size_t bytesPerPixel = BitsPerPixelOf(format) / 8;
    const std::size_t count = static_cast<std::size_t>(Width(part));
    const std::size_t offset = static_cast<std::size_t>(part.left) * bytesPerPixel;
    // On a little-endian processor the screen's rows are already RGB565 as DRM lays it out.
    const bool asTheyAre =
        format == ScanoutFormat::kRgb565 && std::endian::native == std::endian::little;
    std::vector<std::uint8_t> row(asTheyAre ? 0 : count * bytesPerPixel);
    for (LONG y = part.top; y < part.bottom; ++y) {
        std::uint8_t* destination = buffer + static_cast<std::size_t>(y) * pitch + offset;
        const gdi::Pixel* source = screen.Row(y) + part.left;
        if (asTheyAre) {
            std::memcpy(destination, source, count * bytesPerPixel);
        } else {
            ConvertRow(source, count, format, row.data());
            std::memcpy(destination, row.data(), row.size());
        }
    }
}

}  // namespace ce::drivers::kms

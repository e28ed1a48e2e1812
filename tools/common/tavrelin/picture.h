// A viewer's copy of the device screen, laid out like the server's capture bitmap: RGB565
// words stored low byte first, the bottom row first, each row padded to a multiple of 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "common/tavrelin/screen.h"

namespace brevanta::tavrelin {

struct Rgb888 {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const Rgb888&) const = default;
};

// Widens each channel by repeating its top bits, so that 0 stays 0 and full scale becomes 255.
constexpr Rgb888 ExpandRgb565(std::uint16_t pixel) {
    const unsigned red = (pixel >> 11) & 0x1F;
    const unsigned green = (pixel >> 5) & 0x3F;
    const unsigned blue = pixel & 0x1F;
    return {static_cast<std::uint8_t>((red << 3) | (red >> 2)),
            static_cast<std::uint8_t>((green << 2) | (green >> 4)),
            static_cast<std::uint8_t>((blue << 3) | (blue >> 2))};
}

class Picture {
public:
    // No size yet: nothing to show.
    Picture() = default;
    // All bytes 0xFF, as the server assumes of a viewer that has just connected.
    explicit Picture(ScreenSize size);

    bool Empty() const { return m_bytes.empty(); }
    ScreenSize Size() const { return m_size; }
    std::size_t Stride() const { return m_stride; }
    std::span<const std::uint8_t> Bytes() const { return m_bytes; }
    std::span<std::uint8_t> MutableBytes() { return m_bytes; }

    // The RGB565 word at column x of row y, rows counted from the top of the screen.
    std::uint16_t PixelAt(int x, int y) const;

private:
    ScreenSize m_size;
    std::size_t m_stride = 0;
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace brevanta::tavrelin

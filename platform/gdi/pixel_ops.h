// The per-pixel primitives beyond Surface's fill and copy: nearest-neighbour stretching and
// blending of coverage masks and alpha images.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gdi/surface.h"

namespace ce::gdi {

// Mixes two RGB565 pixels; alpha runs from 0 (all destination) to 32 (all source).
inline Pixel Blend(Pixel destination, Pixel source, unsigned alpha) {
    // Spreading the channels over 32 bits with gaps lets one multiply blend all three.
    constexpr std::uint32_t kMask = 0x07E0F81Fu;
    const std::uint32_t from = (source | (std::uint32_t{source} << 16)) & kMask;
    std::uint32_t to = (destination | (std::uint32_t{destination} << 16)) & kMask;
    to = (to + (((from - to) * alpha) >> 5)) & kMask;
    return static_cast<Pixel>(to | (to >> 16));
}

// 8-bit coverage or alpha to Blend's 0..32.
inline unsigned AlphaFromByte(std::uint8_t value) {
    return (value + 4u) >> 3;
}

// Copies sourceRect scaled onto destinationRect, nearest neighbour with each destination pixel
// taking the source pixel under its centre. Only destination pixels inside clip are written, and
// only those whose source pixel lies inside sourceLimit and the source surface. The two surfaces
// may be the same one.
void StretchCopy(Surface& destination, const RECT& destinationRect, const RECT& clip,
                 const Surface& source, const RECT& sourceRect, const RECT& sourceLimit);

// Blends colour into the surface through an 8-bit coverage mask placed at x, y (rows pitch bytes
// apart), inside clip.
void BlendCoverage(Surface& destination, int x, int y, const std::uint8_t* coverage, int width,
                   int height, std::ptrdiff_t pitch, Pixel colour, const RECT& clip);

// Draws an image scaled onto destinationRect (nearest neighbour) through its 8-bit alpha, one
// byte per image pixel row after row, inside clip.
void BlendImage(Surface& destination, const RECT& destinationRect, const Surface& image,
                const std::uint8_t* alpha, const RECT& clip);

}  // namespace ce::gdi

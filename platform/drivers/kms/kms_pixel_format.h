// The pixel formats a scanout buffer of the kms driver may have, and the copy of part of the
// composited RGB565 screen into such a buffer. Buffers are written only, never read: a dumb
// buffer is often uncached or write-combined memory, where reading is slow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "gdi/surface.h"

namespace ce::drivers::kms {

enum class ScanoutFormat {
    kRgb565,    // the screen's own pixels, copied as they are
    kXrgb8888,  // every display offers it; each pixel is widened
};

// The DRM fourcc code (drm_fourcc.h) and the bits of one pixel.
std::uint32_t FourccOf(ScanoutFormat format);
unsigned BitsPerPixelOf(ScanoutFormat format);

// RGB565 when the plane offers it, else XRGB8888, else nothing.
std::optional<ScanoutFormat> ChooseScanoutFormat(std::span<const std::uint32_t> planeFormats);

// Copies the part of the screen (clipped to it) to the same place in a buffer of the screen's
// size, whose rows start `pitch` bytes apart. Both formats are little-endian, as DRM defines
// them, whatever the processor's order; the buffer needs no alignment.
void CopyToScanout(const gdi::Surface& screen, const RECT& area, ScanoutFormat format,
                   std::uint8_t* buffer, std::size_t pitch);

}  // namespace ce::drivers::kms

// The visual formats the driver draws in and the conversion of RGB565 surface pixels into them.
#pragma once

#include <cstddef>
#include <optional>

#include "windef.h"

#include "gdi/surface.h"

namespace ce::drivers::x11 {

enum class PixelLayout {
    kRgb565,    // depth 16, 16 bits per pixel, masks F800/07E0/001F: the surface's own format
    kXrgb8888,  // depth 24 or 32, 32 bits per pixel, masks FF0000/FF00/FF
};

// The layout of a TrueColor visual, or nothing when the driver cannot draw in it.
std::optional<PixelLayout> LayoutOf(unsigned long redMask, unsigned long greenMask,
                                    unsigned long blueMask, int depth, int bitsPerPixel);

// Writes the rectangle of the surface into an image of the layout at the same position. The
// image's rows are bytesPerLine apart (native byte order); the rectangle lies inside both.
void ConvertRect(const gdi::Surface& surface, const RECT& rect, PixelLayout layout, char* imageData,
                 std::ptrdiff_t bytesPerLine);

}  // namespace ce::drivers::x11

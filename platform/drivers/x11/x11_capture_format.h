// Screen pixels of an X image as RGB565: the reverse of x11_pixel_format, for screen capture.
#pragma once

#include <cstddef>

#include "windef.h"

#include "gdi/surface.h"

namespace ce::drivers::x11 {

// The format of the image's pixels: 16 or 32 bits each in this machine's byte order, TrueColor
// channels under the masks.
struct CaptureFormat {
    int bitsPerPixel = 0;
    unsigned long redMask = 0;
    unsigned long greenMask = 0;
    unsigned long blueMask = 0;
};

// Whether ConvertToRgb565 can read the format: 16 or 32 bits per pixel, and channel masks of at
// least 5, 6 and 5 contiguous bits.
bool CanConvert(const CaptureFormat& format);

// Writes the rectangle of the image (image coordinates, inside it; rows bytesPerLine apart) into
// the destination with its top-left corner at `at`; the rectangle moved there lies inside the
// destination. Each channel keeps its top 5, 6 and 5 bits.
void ConvertToRgb565(const char* imageData, std::ptrdiff_t bytesPerLine,
                     const CaptureFormat& format, const RECT& rect, gdi::Surface& destination,
                     POINT at);

}  // namespace ce::drivers::x11

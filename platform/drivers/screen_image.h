// Screen pixels in memory (an X image of the root window, a DRM scanout, a framebuffer device)
// read into RGB565 surfaces as RemoteAccess::ReadScreen promises. Every remote access reads the
// screen through here, whatever holds its pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "windef.h"

#include "gdi/surface.h"

namespace ce::drivers {

// 16 or 32 bits a pixel, read in this machine's byte order, each colour under its mask.
struct ScreenFormat {
    int bitsPerPixel = 0;
    std::uint32_t redMask = 0;
    std::uint32_t greenMask = 0;
    std::uint32_t blueMask = 0;
};

// Whether CopyScreen can read the format: 16 or 32 bits per pixel, and colour masks of at least
// 5, 6 and 5 contiguous bits.
bool CanConvert(const ScreenFormat& format);

// The screen as it is shown: its top-left pixel and its rows, `pitch` bytes apart, which need
// not start on any boundary.
struct ScreenImage {
    const std::byte* pixels = nullptr;
    std::size_t pitch = 0;
    int width = 0;
    int height = 0;
    ScreenFormat format;
};

// Copies the part of the screen rectangle (screen coordinates) that lies on the screen into the
// destination with the rectangle's top-left corner at `at`, clipped to the destination, in the
// destination's own row order. Each colour keeps its top 5, 6 and 5 bits. False, copying
// nothing, when the format cannot be read.
bool CopyScreen(const ScreenImage& screen, const RECT& screenRect, gdi::Surface& destination,
                POINT at);

}  // namespace ce::drivers

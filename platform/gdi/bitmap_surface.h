// The window system's and the screen capture's way to a bitmap's pixels.
#pragma once

#include <memory>

#include "windef.h"

#include "gdi/surface.h"

namespace ce::gdi {

// The surface of a bitmap; null when the handle names no bitmap.
std::shared_ptr<Surface> BitmapSurface(HBITMAP bitmap);

}  // namespace ce::gdi

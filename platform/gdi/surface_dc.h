// The seam between the window system and GDI: device contexts that draw into a window's part of
// its top-level surface.
#pragma once

#include <memory>

#include "windef.h"

#include "gdi/surface.h"

namespace ce::gdi {

// A device context on a surface. Coordinates given to drawing calls are shifted by origin (where
// the window's client (0,0) lies on the surface), and every pixel drawn is clipped to clip
// (surface coordinates). DeleteDC ends it.
HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, const RECT& clip);

// The part of the surface drawn on since the context was made (surface coordinates); empty when
// nothing was drawn. The window system presents that much when the context ends.
RECT DrawnBounds(HDC dc);

}  // namespace ce::gdi

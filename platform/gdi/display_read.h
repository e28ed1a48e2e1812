// The seam between GDI and the display driver: what a blit from the "DISPLAY" context reads.
#pragma once

#include "windef.h"

#include "gdi/surface.h"

namespace ce::gdi {

// Copies the part of the screen rectangle (screen coordinates) that lies on the screen into the
// destination at `at`, clipped to the destination. False when the screen cannot be read.
bool ReadDisplay(const RECT& screenRect, Surface& destination, POINT at);

}  // namespace ce::gdi

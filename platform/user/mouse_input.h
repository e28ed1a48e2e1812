// Where synthesised pointer input lands on the screen.
#pragma once

#include "windef.h"

namespace ce::user {

// Absolute coordinates (0..65535 across the screen) to the nearest pixel, clamped to the screen:
// a caller that scales a pixel x to x * 65535 / width (or * 65536) gets x back.
POINT AbsoluteToScreen(DWORD dx, DWORD dy, SIZE screen);

// A relative move in pixels from a point, clamped to the screen.
POINT MoveBy(POINT from, LONG dx, LONG dy, SIZE screen);

}  // namespace ce::user

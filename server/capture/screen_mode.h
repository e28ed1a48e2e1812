// The screen mode byte that every frame header carries: a resolution flag for the four screen
// sizes the viewer knows, plus the orientation code of the display.
#pragma once

#include <windows.h>

// The orientation code of a display orientation (DMDO_*): 0 degrees → 4, 90 → 0, 180 → 1,
// anything else → 2.
signed char OrientationCodeOf(DWORD displayOrientation);

// The mode byte for a screen of width x height with the orientation code; for a size without a
// resolution flag the previous value stays.
signed char ScreenModeByte(int width, int height, signed char orientationCode,
                           signed char previous);

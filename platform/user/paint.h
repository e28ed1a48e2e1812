// The paint cycle around WM_PAINT: device contexts on window surfaces, and what happens when a
// procedure does not paint.
#pragma once

#include "windef.h"

namespace ce::user {

class Desktop;

// A device context on the window's client area, on its top-level surface: the origin is the
// client (0,0) and drawing is clipped to the visible client area and, when given, to clip (client
// coordinates). Null when the window is gone.
HDC MakeClientDC(Desktop& desktop, HWND window, const RECT* clip);

// How many times the window began painting.
unsigned PaintCount(Desktop& desktop, HWND window);

// After WM_PAINT was handled: a window whose procedure did not begin painting is validated (its
// frame drawn), or WM_PAINT would come again and again.
void FinishPaint(Desktop& desktop, HWND window, unsigned paintsBefore);

// Sends WM_PAINT at once to the window and then its descendants, each that has an invalid area.
void PaintNow(Desktop& desktop, HWND window);

}  // namespace ce::user

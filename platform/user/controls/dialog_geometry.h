// Sizing and placing dialog windows whatever non-client area their styles give them.
#pragma once

#include "winuser.h"

namespace ce::user {

// Makes the window's client area width x height pixels, keeping its top-left corner.
void SetClientSize(HWND window, int width, int height);

// Moves the window to the middle of the screen (not above its top-left corner).
void CentreOnScreen(HWND window);

}  // namespace ce::user

// Drawing the non-client area: the frame (a black border, or a dialog frame) and the caption
// with the window text, in the active or inactive colours.
#pragma once

#include "windef.h"

namespace ce::user {

class Desktop;

// Draws the frame and caption of a shown window that has them, and presents them.
void DrawFrame(Desktop& desktop, HWND window);

}  // namespace ce::user

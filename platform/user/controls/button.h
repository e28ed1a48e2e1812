// Push buttons ("BUTTON" with BS_PUSHBUTTON or BS_DEFPUSHBUTTON).
#pragma once

#include "winuser.h"

namespace ce::user {

// The font, then the button's state bits.
inline constexpr int kButtonExtraBytes = 2 * static_cast<int>(sizeof(LONG_PTR));

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The raised face of a button, or its pressed look; the text centred in the face.
void PaintButton(HWND window, HDC dc, bool pressed);

}  // namespace ce::user

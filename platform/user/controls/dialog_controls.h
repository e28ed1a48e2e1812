// What the controls (button, edit, static) share: their font, their colours from the parent,
// and notifications to the parent.
#pragma once

#include "winuser.h"

namespace ce::user {

// Buttons and statics keep the font from WM_SETFONT in their first extra bytes.
inline constexpr int kControlFontSlot = 0;

// The font to draw with: the one set, else the system font.
HFONT ControlFont(HFONT font);

// Asks the parent for the control's colours (WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC ...): the parent
// sets the DC's colours and returns the brush for the background. A parent that answers with no
// brush gets the default handling, which sets the system colours.
HBRUSH ControlColors(HWND control, HDC dc, UINT message);

// WM_COMMAND to the parent with the control's id, the notification code and the control.
void NotifyParent(HWND control, WORD code);

// The pointer position a mouse message carries (client coordinates, signed).
POINT PointOf(LPARAM lParam);

}  // namespace ce::user

// The single-line edit control ("EDIT").
#pragma once

#include "winuser.h"

namespace ce::user {

// Space between the client edges and the text.
inline constexpr int kEditMarginX = 2;
inline constexpr int kEditMarginY = 1;
// The caret blinks with this timer while the control has the focus.
inline constexpr UINT_PTR kCaretTimerId = 1;
inline constexpr UINT kCaretBlinkMs = 500;

LRESULT CALLBACK EditControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ce::user

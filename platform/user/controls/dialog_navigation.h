// Keyboard focus inside a dialog: tab stops, the saved focus, the default command.
#pragma once

#include "winuser.h"

namespace ce::user {

// A control of the dialog (a descendant, not the dialog itself).
bool IsDialogControl(HWND dialog, HWND window);

// The first control with WS_TABSTOP that is visible and enabled, in creation order; null when
// there is none.
HWND FirstTabStop(HWND dialog);

// Gives a control the focus and remembers it for the next activation. An edit control's text is
// selected as a whole, as when the user tabs into it.
void SetDialogFocus(HWND dialog, HWND control);

// Remembers the control with the focus (on deactivation).
void SaveDialogFocus(HWND dialog);
// Gives the focus back to the remembered control, or to the first tab stop (on activation).
void RestoreDialogFocus(HWND dialog);

// WM_NEXTDLGCTL: with a nonzero LOWORD(lParam), wParam is the control to focus; otherwise the
// focus moves to the next tab stop (wParam zero) or the previous one.
void MoveDialogFocus(HWND dialog, WPARAM wParam, LPARAM lParam);

// What Enter does: the focused push button, else the default push button, else IDOK. *control
// receives the button (null when the command has none).
int DefaultCommand(HWND dialog, HWND* control);

}  // namespace ce::user

// Activation and keyboard focus. The active window is a top-level window; the focus is in it or
// nowhere. Both belong to the desktop: one process, one user.
#pragma once

#include "windef.h"

namespace ce::user {

class Desktop;

// Makes a top-level window active (null: none): WM_ACTIVATE WA_INACTIVE to the one before, the
// window raised to the top of its band, its caption redrawn, the driver told, then WM_ACTIVATE
// with how (WA_ACTIVE or WA_CLICKACTIVE) to it. A focus left outside the new active window goes.
void Activate(Desktop& desktop, HWND window, WORD how);

// The active window is hidden or destroyed: its owner becomes active when it is shown and
// enabled, else the topmost other shown and enabled top-level window, else none.
void ActivateAnother(Desktop& desktop, HWND leaving);

// SetFocus: WM_KILLFOCUS to the window that had it, then WM_SETFOCUS to the new one, whose
// top-level window is activated first. Returns the window that had the focus.
HWND MoveFocus(Desktop& desktop, HWND window);

// SetCapture (null: ReleaseCapture): WM_CAPTURECHANGED to the window that had the capture when
// another takes it. Returns that window.
HWND ChangeCapture(Desktop& desktop, HWND window);

// Raises a window to the top of its band among its siblings; true when the order changed.
bool RaiseToTop(Desktop& desktop, HWND window);

}  // namespace ce::user

// Top-level windows of other programs on the display, found by the texts they carry (WM_CLASS,
// _NET_WM_NAME or WM_NAME, as x11_window_texts sets them on ours) and raised on request.
#pragma once

#include "drivers/x11/x11_xlib.h"

#include <functional>

namespace ce::drivers::x11 {

// The first child of the root, in stacking order from the top, whose class (either part of
// WM_CLASS) and title match, case-insensitively; null matches any. A window without a class may be
// a window manager's frame: its children are looked at too. Windows that `skip` names are
// passed over. 0 when none matches.
Window FindTopLevelWindow(Display* display, const char16_t* className, const char16_t* title,
                          const std::function<bool(Window)>& skip);

// XRaiseWindow; false when the window is gone.
bool RaiseTopLevelWindow(Display* display, Window window);

}  // namespace ce::drivers::x11

// The invalid areas of windows: what WM_PAINT is generated for. Each window keeps one bounding
// rectangle of its client area; only shown windows have one.
#pragma once

#include "windef.h"

#include "user/window_table.h"

namespace ce::user {

class Desktop;

// Adds part of the client area (client coordinates; all of it when null) to the window's invalid
// area, and the parts it covers to the children's, unless the window clips its children. erase
// asks for WM_ERASEBKGND before the paint. Nothing happens to a window that is not shown.
void Invalidate(Desktop& desktop, HWND window, const RECT* rect, bool erase);

// All of the window, frame included, and all its shown descendants: it was shown or resized.
void InvalidateTree(Desktop& desktop, HWND window);

// Under the table's lock: takes part of the client area (all of it when null) out of the
// invalid area. The erase request goes with the last of it.
void Validate(Window& window, const RECT* rect);

// Under the table's lock: the window and its descendants were hidden; nothing of them is invalid.
void ForgetUpdateTree(const WindowTable::View& view, Window& window);

}  // namespace ce::user

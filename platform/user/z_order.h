// Stacking of sibling windows.
#pragma once

#include "windef.h"

#include "user/window_table.h"

namespace ce::user {

// Under the table's lock: places the window among its siblings as SetWindowPos does with
// insertAfter (HWND_TOP, HWND_BOTTOM, HWND_TOPMOST, HWND_NOTOPMOST or a sibling). Topmost
// top-level windows stay above the others. True when the order or the topmost flag changed.
bool PlaceInZOrder(const WindowTable::View& view, Window& window, HWND insertAfter);

}  // namespace ce::user

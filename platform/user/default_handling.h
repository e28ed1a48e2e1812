// What DefWindowProcW does with the messages that need more than a line.
#pragma once

#include "winuser.h"

namespace ce::user {

class Desktop;

// WM_SETTEXT: keeps the text, redraws the caption and tells the driver about a top-level window.
LRESULT DefaultSetText(Desktop& desktop, HWND window, LPCWSTR text);
// WM_GETTEXT: copies at most capacity - 1 characters and a terminating zero; returns the count.
LRESULT DefaultGetText(Desktop& desktop, HWND window, WPARAM capacity, LPWSTR buffer);
LRESULT DefaultGetTextLength(Desktop& desktop, HWND window);
// WM_ERASEBKGND: fills the client area with the class background (a brush, or a system colour
// index plus one); 1 when it did.
LRESULT DefaultEraseBackground(Desktop& desktop, HWND window, HDC dc);
// WM_CTLCOLOR*: window text on the window colour for edits, on the button face otherwise.
LRESULT DefaultControlColor(UINT message, HDC dc);
// WM_SETICON and WM_GETICON: the window's big and small icons.
LRESULT DefaultIcon(Desktop& desktop, HWND window, UINT message, WPARAM kind, LPARAM icon);

}  // namespace ce::user

// Moving, sizing and stacking windows.
#pragma once

#include "windef.h"

namespace ce::user {

class Desktop;
struct Window;

// The layout of the device's WINDOWPOS, which WM_WINDOWPOSCHANGED points to.
struct WindowPos {
    HWND hwnd;
    HWND hwndInsertAfter;
    int x;
    int y;
    int cx;
    int cy;
    UINT flags;
};

// WM_MOVE with the client area's position in the parent (the screen for a top-level window).
void SendMove(Desktop& desktop, HWND window);
// WM_SIZE SIZE_RESTORED with the client area's size.
void SendSize(Desktop& desktop, HWND window);

// A new surface of the top-level window's size; nothing for a child.
void MakeSurface(Window& window);

// SetWindowPos on a given desktop.
bool PositionWindow(Desktop& desktop, HWND window, HWND insertAfter, int x, int y, int width,
                    int height, UINT flags);

}  // namespace ce::user

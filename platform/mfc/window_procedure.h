// How messages reach a CWnd: the window procedure MFC puts on the windows it holds, the
// message a thread is handling (for Default()), and the map of windows to their objects.
#pragma once

#include "afxwin.h"

namespace ce::mfc {

// The message the calling thread is handling through a CWnd, innermost first.
struct CurrentMessage {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
const CurrentMessage& ThreadCurrentMessage();

// The procedure of every window an object holds: finds the object and dispatches.
LRESULT CALLBACK AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The parts of CWnd that the procedure and the dialog procedure work with.
class WndAccess {
public:
    // Makes message the thread's current one for the call of wnd's WindowProc; after
    // WM_NCDESTROY the object lets go of the window.
    static LRESULT Dispatch(CWnd& wnd, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // The permanent map.
    static void Hold(CWnd& wnd, HWND window);
    static void LetGo(CWnd& wnd);
};

}  // namespace ce::mfc

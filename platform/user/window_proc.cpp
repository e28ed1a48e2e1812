#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/desktop.h"
#include "user/window_class.h"

LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam,
                        LPARAM lParam) {
    return procedure == nullptr ? 0 : procedure(window, message, wParam, lParam);
}

// The defaults of the window system. The next layer adds its own here: WM_PAINT validates,
// WM_ERASEBKGND fills with the class background, WM_SETTEXT and WM_GETTEXT work on the text.
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM, LPARAM lParam) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<LRESULT>(0, [&]() -> LRESULT {
        switch (message) {
            case WM_NCCREATE: {
                // The window text comes from here, as on the device: a procedure that takes
                // WM_NCCREATE for itself keeps its window without a text.
                const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
                if (create != nullptr && create->lpszName != nullptr &&
                    !IsAtomName(create->lpszName)) {
                    std::u16string text(create->lpszName);
                    CurrentDesktop()->Windows().With(
                        window, [&](Window& record) { record.m_text = std::move(text); });
                }
                return TRUE;
            }
            case WM_CLOSE:
                DestroyWindow(window);
                return 0;
            default:
                return 0;
        }
    });
}

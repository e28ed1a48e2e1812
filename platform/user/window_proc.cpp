#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/activation.h"
#include "user/default_handling.h"
#include "user/desktop.h"
#include "user/window_class.h"

LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam,
                        LPARAM lParam) {
    return procedure == nullptr ? 0 : procedure(window, message, wParam, lParam);
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<LRESULT>(0, [&]() -> LRESULT {
        auto desktop = CurrentDesktop();
        switch (message) {
            case WM_NCCREATE: {
                // The window text comes from here, as on the device: a procedure that takes
                // WM_NCCREATE for itself keeps its window without a text.
                const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
                if (create != nullptr && create->lpszName != nullptr &&
                    !IsAtomName(create->lpszName)) {
                    std::u16string text(create->lpszName);
                    desktop->Windows().With(
                        window, [&](Window& record) { record.m_text = std::move(text); });
                }
                return TRUE;
            }
            case WM_CLOSE:
                DestroyWindow(window);
                return 0;
            case WM_PAINT: {
                PAINTSTRUCT paint;
                if (BeginPaint(window, &paint) != nullptr) {
                    EndPaint(window, &paint);
                }
                return 0;
            }
            case WM_ERASEBKGND:
                return DefaultEraseBackground(*desktop, window, reinterpret_cast<HDC>(wParam));
            case WM_SETTEXT:
                return DefaultSetText(*desktop, window, reinterpret_cast<LPCWSTR>(lParam));
            case WM_GETTEXT:
                return DefaultGetText(*desktop, window, wParam, reinterpret_cast<LPWSTR>(lParam));
            case WM_GETTEXTLENGTH:
                return DefaultGetTextLength(*desktop, window);
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLORDLG:
            case WM_CTLCOLORSTATIC:
                return DefaultControlColor(message, reinterpret_cast<HDC>(wParam));
            case WM_ACTIVATE:
                if (LOWORD(wParam) != WA_INACTIVE) {
                    MoveFocus(*desktop, window);
                }
                return 0;
            case WM_SETICON:
            case WM_GETICON:
                return DefaultIcon(*desktop, window, message, wParam, lParam);
            default:
                return 0;
        }
    });
}

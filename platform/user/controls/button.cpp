#include "user/controls/button.h"

#include "user/controls/dialog_controls.h"

namespace ce::user {

namespace {

constexpr int kStateSlot = static_cast<int>(sizeof(LONG_PTR));
// The pointer went down on the button and has not come up yet (the button has the capture).
constexpr LONG_PTR kTracking = 1;
// Drawn pushed in: while tracking with the pointer inside, or while Space is held.
constexpr LONG_PTR kPressed = 2;
constexpr LONG_PTR kSpaceDown = 4;

LONG_PTR StateOf(HWND window) {
    return GetWindowLongPtrW(window, kStateSlot);
}

void SetState(HWND window, LONG_PTR state) {
    const LONG_PTR previous = SetWindowLongPtrW(window, kStateSlot, state);
    if ((previous & kPressed) != (state & kPressed)) {
        InvalidateRect(window, nullptr, FALSE);
    }
}

bool Inside(HWND window, POINT point) {
    RECT client{};
    GetClientRect(window, &client);
    return point.x >= client.left && point.x < client.right && point.y >= client.top &&
           point.y < client.bottom;
}

// The click happens after the button looks released again, as on the device.
void Click(HWND window) {
    NotifyParent(window, BN_CLICKED);
}

LRESULT PointerDown(HWND window) {
    if (!IsWindowEnabled(window)) {
        return 0;
    }
    if (GetFocus() != window) {
        SetFocus(window);
    }
    SetCapture(window);
    SetState(window, StateOf(window) | kTracking | kPressed);
    return 0;
}

LRESULT PointerMove(HWND window, LPARAM lParam) {
    const LONG_PTR state = StateOf(window);
    if ((state & kTracking) != 0) {
        SetState(window, Inside(window, PointOf(lParam)) ? state | kPressed : state & ~kPressed);
    }
    return 0;
}

LRESULT PointerUp(HWND window, LPARAM lParam) {
    const LONG_PTR state = StateOf(window);
    if ((state & kTracking) == 0) {
        return 0;
    }
    SetState(window, state & ~(kTracking | kPressed));
    ReleaseCapture();
    if (Inside(window, PointOf(lParam))) {
        Click(window);
    }
    return 0;
}

LRESULT ButtonPaint(HWND window) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    if (dc != nullptr) {
        PaintButton(window, dc, (StateOf(window) & kPressed) != 0);
        EndPaint(window, &paint);
    }
    return 0;
}

LRESULT DialogCode(HWND window) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    return DLGC_BUTTON |
           ((style & 0x0Fu) == BS_DEFPUSHBUTTON ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
            return PointerDown(window);
        case WM_MOUSEMOVE:
            return PointerMove(window, lParam);
        case WM_LBUTTONUP:
            return PointerUp(window, lParam);
        case WM_CAPTURECHANGED:
            // Another window took the pointer: the press is abandoned without a click.
            if (reinterpret_cast<HWND>(lParam) != window) {
                SetState(window, StateOf(window) & ~(kTracking | kPressed));
            }
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_SPACE && IsWindowEnabled(window)) {
                SetState(window, StateOf(window) | kSpaceDown | kPressed);
            }
            return 0;
        case WM_KEYUP:
            if (wParam == VK_SPACE && (StateOf(window) & kSpaceDown) != 0) {
                SetState(window, StateOf(window) & ~(kSpaceDown | kPressed));
                Click(window);
            }
            return 0;
        case WM_KILLFOCUS: {
            // A Space held when the focus leaves clicks nothing.
            LONG_PTR state = StateOf(window);
            if ((state & kSpaceDown) != 0) {
                state &= ~kSpaceDown;
                if ((state & kTracking) == 0) {
                    state &= ~kPressed;
                }
                SetState(window, state);
            }
            return 0;
        }
        case WM_SETFONT:
            SetWindowLongPtrW(window, kControlFontSlot, static_cast<LONG_PTR>(wParam));
            if (LOWORD(lParam) != 0) {
                InvalidateRect(window, nullptr, FALSE);
            }
            return 0;
        case WM_GETFONT:
            return GetWindowLongPtrW(window, kControlFontSlot);
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
            InvalidateRect(window, nullptr, FALSE);
            return result;
        }
        case WM_ENABLE:
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_GETDLGCODE:
            return DialogCode(window);
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            return ButtonPaint(window);
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace ce::user

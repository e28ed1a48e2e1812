// The window procedure of the dialog class: the dialog procedure first, then the defaults.
#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/controls/dialog_navigation.h"
#include "user/controls/dialog_state.h"

namespace ce::user {

namespace {

// Messages whose answer is the dialog procedure's return value itself rather than
// DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
    switch (message) {
        case WM_INITDIALOG:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
            return true;
        default:
            return false;
    }
}

LRESULT EraseBackground(HWND dialog, HDC dc) {
    const auto wParam = reinterpret_cast<WPARAM>(dc);
    const auto lParam = reinterpret_cast<LPARAM>(dialog);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(dialog, WM_CTLCOLORDLG, wParam, lParam));
    if (brush == nullptr) {
        brush = reinterpret_cast<HBRUSH>(DefWindowProcW(dialog, WM_CTLCOLORDLG, wParam, lParam));
    }
    if (brush != nullptr) {
        RECT client{};
        GetClientRect(dialog, &client);
        FillRect(dc, &client, brush);
    }
    return TRUE;
}

LRESULT DefaultProcessing(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return EraseBackground(dialog, reinterpret_cast<HDC>(wParam));
        case WM_CLOSE:
            PostMessageW(dialog, WM_COMMAND, MAKELONG(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                SaveDialogFocus(dialog);
            } else {
                RestoreDialogFocus(dialog);
            }
            return 0;
        case WM_SETFOCUS:
            RestoreDialogFocus(dialog);
            return 0;
        case WM_NEXTDLGCTL:
            MoveDialogFocus(dialog, wParam, lParam);
            return 0;
        case WM_SETFONT:
            WriteDialogSlot(dialog, DialogSlot::kFont, static_cast<LONG_PTR>(wParam));
            return 0;
        case WM_GETFONT:
            return ReadDialogSlot(dialog, DialogSlot::kFont);
        case WM_NCDESTROY:
            if (auto owned = ReadDialogSlot(dialog, DialogSlot::kOwnedFont); owned != 0) {
                WriteDialogSlot(dialog, DialogSlot::kOwnedFont, 0);
                DeleteObject(reinterpret_cast<HGDIOBJ>(owned));
            }
            return DefWindowProcW(dialog, message, wParam, lParam);
        default:
            return DefWindowProcW(dialog, message, wParam, lParam);
    }
}

}  // namespace

}  // namespace ce::user

LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<LRESULT>(0, [&]() -> LRESULT {
        const auto procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(dialog, DWLP_DLGPROC));
        if (procedure != nullptr) {
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
            const INT_PTR handled = procedure(dialog, message, wParam, lParam);
            if (handled != 0) {
                if (AnswersDirectly(message)) {
                    return handled;
                }
                return IsWindow(dialog) ? GetWindowLongPtrW(dialog, DWLP_MSGRESULT) : 0;
            }
            if (!IsWindow(dialog)) {
                return 0;
            }
        }
        return DefaultProcessing(dialog, message, wParam, lParam);
    });
}

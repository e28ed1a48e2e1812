// The dialog manager's share of a message loop: the keys that work in every dialog.
#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/controls/dialog_navigation.h"

namespace ce::user {

namespace {

WPARAM ClickedCommand(int id) {
    return static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(id, BN_CLICKED)));
}

// True when the key was the dialog's to handle.
bool HandleDialogKey(HWND dialog, MSG& message) {
    const auto code = static_cast<UINT>(SendMessageW(message.hwnd, WM_GETDLGCODE, message.wParam,
                                                     reinterpret_cast<LPARAM>(&message)));
    if ((code & DLGC_WANTALLKEYS) != 0) {
        return false;
    }
    switch (message.wParam) {
        case VK_TAB:
            if ((code & DLGC_WANTTAB) != 0) {
                return false;
            }
            SendMessageW(dialog, WM_NEXTDLGCTL, 0, 0);
            return true;
        case VK_RETURN: {
            HWND button = nullptr;
            const int id = DefaultCommand(dialog, &button);
            SendMessageW(dialog, WM_COMMAND, ClickedCommand(id), reinterpret_cast<LPARAM>(button));
            return true;
        }
        case VK_ESCAPE:
            SendMessageW(dialog, WM_COMMAND, ClickedCommand(IDCANCEL),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
            return true;
        default:
            return false;
    }
}

}  // namespace

}  // namespace ce::user

BOOL IsDialogMessageW(HWND dialog, LPMSG message) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        if (message == nullptr || dialog == nullptr ||
            (message->hwnd != dialog && !IsDialogControl(dialog, message->hwnd))) {
            return FALSE;
        }
        if (message->message == WM_KEYDOWN && HandleDialogKey(dialog, *message)) {
            return TRUE;
        }
        TranslateMessage(message);
        DispatchMessageW(message);
        return TRUE;
    });
}

// Reaching a dialog's controls by their ids.
#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/desktop.h"

HWND GetDlgItem(HWND dialog, int id) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HWND>(nullptr, [&]() -> HWND {
        auto desktop = CurrentDesktop();
        if (!desktop->Windows().Find(dialog)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        for (HWND child : desktop->Windows().ChildrenOf(dialog)) {
            LONG_PTR childId = 0;
            desktop->Windows().With(child, [&](const Window& record) { childId = record.m_id; });
            if (static_cast<int>(childId) == id) {
                return child;
            }
        }
        return nullptr;
    });
}

int GetDlgCtrlID(HWND window) {
    return static_cast<int>(GetWindowLongPtrW(window, GWLP_ID));
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr && SetWindowTextW(control, text);
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR text, int capacity) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) {
        if (text != nullptr && capacity > 0) {
            text[0] = u'\0';
        }
        return 0;
    }
    return static_cast<UINT>(GetWindowTextW(control, text, capacity));
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    return control == nullptr ? 0 : SendMessageW(control, message, wParam, lParam);
}

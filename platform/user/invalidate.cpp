// InvalidateRect and friends: the invalid areas seen from the programs.
#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/desktop.h"
#include "user/paint.h"
#include "gdi/rect_math.h"
#include "user/send_message.h"
#include "user/update_region.h"

namespace ce::user {

namespace {

bool Exists(Desktop& desktop, HWND window) {
    if (!desktop.Windows().Find(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

}  // namespace

}  // namespace ce::user

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        auto desktop = CurrentDesktop();
        if (!Exists(*desktop, window)) {
            return FALSE;
        }
        Invalidate(*desktop, window, rect, erase != FALSE);
        return TRUE;
    });
}

BOOL ValidateRect(HWND window, const RECT* rect) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        const bool found = CurrentDesktop()->Windows().With(
            window, [&](Window& record) { Validate(record, rect); });
        if (!found) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        return TRUE;
    });
}

BOOL GetUpdateRect(HWND window, LPRECT rect, BOOL erase) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        auto desktop = CurrentDesktop();
        RECT update{};
        bool erasePending = false;
        const bool found = desktop->Windows().With(window, [&](Window& record) {
            update = record.m_update;
            erasePending = record.m_erasePending;
            if (erase && erasePending) {
                record.m_erasePending = false;
            }
        });
        if (!found) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (erase && erasePending) {
            HDC dc = MakeClientDC(*desktop, window, &update);
            if (dc != nullptr) {
                SendToWindow(*desktop, window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
                ReleaseDC(window, dc);
            }
        }
        if (rect != nullptr) {
            *rect = update;
        }
        return ce::IsEmpty(update) ? FALSE : TRUE;
    });
}

BOOL UpdateWindow(HWND window) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        auto desktop = CurrentDesktop();
        if (!Exists(*desktop, window)) {
            return FALSE;
        }
        PaintNow(*desktop, window);
        return TRUE;
    });
}

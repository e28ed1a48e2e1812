#include "user/visibility.h"

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/activation.h"
#include "user/desktop.h"
#include "user/geometry.h"
#include "user/screen_report.h"
#include "user/send_message.h"
#include "user/update_region.h"

namespace ce::user {

namespace {

struct Before {
    bool m_found = false;
    bool m_visible = false;
    bool m_topLevel = false;
    HWND m_parent = nullptr;
    RECT m_rect{};
};

Before Look(Desktop& desktop, HWND window) {
    Before before;
    before.m_found = desktop.Windows().With(window, [&](const Window& record) {
        before.m_visible = (record.m_style & WS_VISIBLE) != 0;
        before.m_topLevel = record.m_parent == nullptr;
        before.m_parent = record.m_parent;
        before.m_rect = record.m_rect;
    });
    return before;
}

void SetVisibleFlag(Desktop& desktop, HWND window, bool show) {
    desktop.Windows().Locked([&](const WindowTable::View& view) {
        Window* record = view.Find(window);
        if (record == nullptr) {
            return;
        }
        if (show) {
            record->m_style |= WS_VISIBLE;
        } else {
            ForgetUpdateTree(view, *record);
            record->m_style &= ~WS_VISIBLE;
        }
    });
}

}  // namespace

bool ChangeVisibility(Desktop& desktop, HWND window, bool show, bool activate,
                      ShowMessage message) {
    const Before before = Look(desktop, window);
    if (!before.m_found) {
        return false;
    }
    if (before.m_visible != show) {
        if (message == ShowMessage::kSend) {
            SendToWindow(desktop, window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        }
        // The procedure may have changed anything meanwhile.
        const Before now = Look(desktop, window);
        if (!now.m_found) {
            return before.m_visible;
        }
        SetVisibleFlag(desktop, window, show);
        if (show) {
            InvalidateTree(desktop, window);
        } else if (!now.m_topLevel) {
            Invalidate(desktop, now.m_parent, &now.m_rect, true);
            const HWND focus = desktop.Input().Focus();
            if (focus != nullptr && desktop.Windows().IsSelfOrDescendant(window, focus)) {
                MoveFocus(desktop, now.m_parent);
            }
        }
        if (now.m_topLevel) {
            ReportWindow(desktop, window);
            ReportStacking(desktop);
            if (!show) {
                ActivateAnother(desktop, window);
            }
        }
    }
    if (show && activate && before.m_topLevel) {
        Activate(desktop, window, WA_ACTIVE);
    }
    return before.m_visible;
}

}  // namespace ce::user

BOOL ShowWindow(HWND window, int command) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        auto desktop = CurrentDesktop();
        if (!desktop->Windows().Find(window)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        const bool show = command != SW_HIDE;
        const bool activate = command != SW_SHOWNA && command != SW_SHOWNOACTIVATE;
        return ChangeVisibility(*desktop, window, show, activate, ShowMessage::kSend) ? TRUE
                                                                                      : FALSE;
    });
}

BOOL IsWindowVisible(HWND window) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        return CurrentDesktop()->Windows().Locked([&](const WindowTable::View& view) {
            const Window* record = view.Find(window);
            return record != nullptr && IsShown(view, *record) ? TRUE : FALSE;
        });
    });
}

BOOL EnableWindow(HWND window, BOOL enable) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        auto desktop = CurrentDesktop();
        bool wasDisabled = false;
        const bool found = desktop->Windows().With(window, [&](Window& record) {
            wasDisabled = IsDisabled(record);
            if (enable) {
                record.m_style &= ~WS_DISABLED;
            } else {
                record.m_style |= WS_DISABLED;
            }
        });
        if (!found) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (wasDisabled == (enable == FALSE)) {
            return wasDisabled ? TRUE : FALSE;
        }
        if (!enable) {
            // A disabled window takes no input: the keyboard focus leaves it.
            const HWND focus = desktop->Input().Focus();
            if (focus != nullptr && desktop->Windows().IsSelfOrDescendant(window, focus)) {
                MoveFocus(*desktop, nullptr);
            }
        }
        SendToWindow(*desktop, window, WM_ENABLE, enable ? TRUE : FALSE, 0);
        return wasDisabled ? TRUE : FALSE;
    });
}

BOOL IsWindowEnabled(HWND window) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        bool enabled = false;
        CurrentDesktop()->Windows().With(
            window, [&](const Window& record) { enabled = !IsDisabled(record); });
        return enabled ? TRUE : FALSE;
    });
}

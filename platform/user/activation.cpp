#include "user/activation.h"

#include "user/desktop.h"
#include "user/geometry.h"
#include "user/non_client.h"
#include "user/screen_report.h"
#include "user/send_message.h"
#include "user/z_order.h"

namespace ce::user {

namespace {

bool CanBeActive(const Window& window, HWND leaving) {
    return window.m_handle != leaving && window.m_parent == nullptr &&
           (window.m_style & WS_VISIBLE) != 0 && !IsDisabled(window) && !window.m_destroying;
}

HWND NextToActivate(Desktop& desktop, HWND leaving) {
    return desktop.Windows().Locked([&](const WindowTable::View& view) -> HWND {
        const Window* gone = view.Find(leaving);
        if (gone != nullptr) {
            if (const Window* owner = view.Find(gone->m_owner);
                owner != nullptr && CanBeActive(*owner, leaving)) {
                return owner->m_handle;
            }
        }
        for (HWND candidate : view.TopLevel()) {
            const Window* window = view.Find(candidate);
            if (window != nullptr && CanBeActive(*window, leaving)) {
                return candidate;
            }
        }
        return nullptr;
    });
}

}  // namespace

bool RaiseToTop(Desktop& desktop, HWND window) {
    return desktop.Windows().Locked([&](const WindowTable::View& view) {
        Window* record = view.Find(window);
        return record != nullptr && PlaceInZOrder(view, *record, HWND_TOP);
    });
}

void Activate(Desktop& desktop, HWND window, WORD how) {
    const HWND previous = desktop.Input().ExchangeActive(window);
    if (previous == window) {
        return;
    }
    if (previous != nullptr && desktop.Windows().Find(previous)) {
        SendToWindow(desktop, previous, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(window));
        DrawFrame(desktop, previous);
    }
    if (window != nullptr && desktop.Windows().Find(window)) {
        RaiseToTop(desktop, window);
        ReportStacking(desktop);
        DrawFrame(desktop, window);
        desktop.Driver().Activate(reinterpret_cast<drivers::WindowId>(window));
        SendToWindow(desktop, window, WM_ACTIVATE, how, reinterpret_cast<LPARAM>(previous));
    }
    const HWND focus = desktop.Input().Focus();
    const HWND active = desktop.Input().Active();
    if (focus != nullptr &&
        (active == nullptr || !desktop.Windows().IsSelfOrDescendant(active, focus))) {
        MoveFocus(desktop, nullptr);
    }
}

void ActivateAnother(Desktop& desktop, HWND leaving) {
    if (desktop.Input().Active() == leaving) {
        Activate(desktop, NextToActivate(desktop, leaving), WA_ACTIVE);
    }
}

HWND MoveFocus(Desktop& desktop, HWND window) {
    const HWND before = desktop.Input().Focus();
    if (before == window) {
        return before;
    }
    if (window != nullptr) {
        const HWND root = desktop.Windows().RootOf(window);
        if (root != desktop.Input().Active()) {
            Activate(desktop, root, WA_ACTIVE);
        }
    }
    const HWND losing = desktop.Input().Focus();
    if (losing == window) {
        return before;
    }
    if (losing != nullptr && desktop.Windows().Find(losing)) {
        SendToWindow(desktop, losing, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
    }
    desktop.Input().ExchangeFocus(window);
    if (window != nullptr && desktop.Input().Focus() == window) {
        SendToWindow(desktop, window, WM_SETFOCUS, reinterpret_cast<WPARAM>(losing), 0);
    }
    return before;
}

HWND ChangeCapture(Desktop& desktop, HWND window) {
    const HWND previous = desktop.Input().ExchangeCapture(window);
    if (previous != nullptr && previous != window) {
        SendToWindow(desktop, previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
    }
    return previous;
}

}  // namespace ce::user

#include "user/window_lifetime.h"

#include "winbase.h"

#include "user/activation.h"
#include "user/desktop.h"
#include "user/message_queue.h"
#include "user/screen_report.h"
#include "user/send_message.h"
#include "user/visibility.h"

namespace ce::user {

namespace {

// Marks the window as going; false when it already was (or is gone).
bool BeginDestroy(Desktop& desktop, HWND window) {
    bool begun = false;
    desktop.Windows().With(window, [&](Window& record) {
        begun = !record.m_destroying;
        record.m_destroying = true;
    });
    return begun;
}

// What a removed window leaves in its thread's queue goes with it: posted messages, input,
// timers, and messages sent to it, whose senders are released with 0. It holds no focus,
// activation or capture any more, and a top-level one leaves the screen.
void ForgetRemoved(Desktop& desktop, const std::vector<std::shared_ptr<Window>>& removed) {
    bool topLevel = false;
    for (const auto& window : removed) {
        ReleaseSenders(window->m_queue->ForgetWindow(window->m_handle));
        desktop.Input().Forget(window->m_handle);
        if (window->m_parent == nullptr) {
            ReportRemoved(desktop, window->m_handle);
            topLevel = true;
        }
    }
    if (topLevel) {
        ReportStacking(desktop);
    }
}

// Before it goes, the window leaves the screen, and the focus, activation and capture it holds
// pass on, with the messages those changes bring.
void Withdraw(Desktop& desktop, HWND window) {
    ChangeVisibility(desktop, window, false, false, ShowMessage::kSkip);
    ActivateAnother(desktop, window);
    const HWND focus = desktop.Input().Focus();
    if (focus != nullptr && desktop.Windows().IsSelfOrDescendant(window, focus)) {
        MoveFocus(desktop, nullptr);
    }
    const HWND capture = desktop.Input().Capture();
    if (capture != nullptr && desktop.Windows().IsSelfOrDescendant(window, capture)) {
        ChangeCapture(desktop, nullptr);
    }
}

void SendDestroy(Desktop& desktop, HWND window) {
    SendToWindow(desktop, window, WM_DESTROY, 0, 0);
    for (HWND child : desktop.Windows().ChildrenOf(window)) {
        if (BeginDestroy(desktop, child)) {
            SendDestroy(desktop, child);
        }
    }
}

void SendNcDestroyAndFree(Desktop& desktop, HWND window) {
    // A procedure may have destroyed the window already, while it handled an earlier message.
    if (!desktop.Windows().Find(window)) {
        return;
    }
    for (HWND child : desktop.Windows().ChildrenOf(window)) {
        SendNcDestroyAndFree(desktop, child);
    }
    SendToWindow(desktop, window, WM_NCDESTROY, 0, 0);
    ForgetRemoved(desktop, desktop.Windows().Remove(window));
}

}  // namespace

void DestroyWindowTree(Desktop& desktop, HWND window) {
    if (!BeginDestroy(desktop, window)) {
        return;
    }
    // Owned windows go first. One of another thread cannot be destroyed from here; it stays,
    // without an owner.
    const DWORD threadId = GetCurrentThreadId();
    for (HWND owned : desktop.Windows().OwnedBy(window)) {
        auto record = desktop.Windows().Find(owned);
        if (record && record->m_threadId == threadId) {
            DestroyWindowTree(desktop, owned);
        } else {
            desktop.Windows().With(owned, [](Window& other) { other.m_owner = nullptr; });
        }
    }
    Withdraw(desktop, window);
    SendDestroy(desktop, window);
    SendNcDestroyAndFree(desktop, window);
}

void DestroyUnbornWindow(Desktop& desktop, HWND window) {
    if (BeginDestroy(desktop, window)) {
        SendNcDestroyAndFree(desktop, window);
    }
}

void RemoveWindowsOfThread(Desktop& desktop, DWORD threadId) {
    for (HWND window : desktop.Windows().WindowsOfThread(threadId)) {
        ForgetRemoved(desktop, desktop.Windows().Remove(window));
    }
}

}  // namespace ce::user

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/activation.h"
#include "user/desktop.h"
#include "user/geometry.h"
#include "user/message_queue.h"
#include "user/paint.h"
#include "user/send_message.h"

namespace ce::user {

namespace {

// A press in a top-level window that is not active activates it before the press is handled.
void ActivateOnPress(Desktop& desktop, const MSG& message) {
    const HWND root = desktop.Windows().RootOf(message.hwnd);
    if (root == nullptr || root == desktop.Input().Active()) {
        return;
    }
    bool enabled = false;
    desktop.Windows().With(root, [&](const Window& record) { enabled = !IsDisabled(record); });
    if (enabled) {
        Activate(desktop, root, WA_CLICKACTIVE);
    }
}

// Handles the messages other threads sent meanwhile, then takes the next message the filter
// accepts. Nothing only when wait is false and no such message is there.
std::optional<MSG> Retrieve(Desktop& desktop, HWND window, UINT first, UINT last, bool remove,
                            bool wait) {
    auto queue = desktop.CurrentQueue();
    const MessageFilter filter(desktop.Windows(), window, first, last);
    for (;;) {
        auto item = queue->Take(filter, remove, wait);
        if (!item) {
            return std::nullopt;
        }
        if (!item->m_sent) {
            if (remove && item->m_message.message == WM_LBUTTONDOWN) {
                ActivateOnPress(desktop, item->m_message);
            }
            return item->m_message;
        }
        HandleSentMessage(*queue, item->m_sent);
    }
}

bool IsValidFilter(Desktop& desktop, HWND window) {
    if (window != nullptr && !desktop.Windows().Find(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

}  // namespace

}  // namespace ce::user

BOOL GetMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(-1, [&]() -> BOOL {
        auto desktop = CurrentDesktop();
        if (message == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return -1;
        }
        if (!IsValidFilter(*desktop, window)) {
            return -1;
        }
        *message = *Retrieve(*desktop, window, filterMin, filterMax, true, true);
        return message->message == WM_QUIT ? FALSE : TRUE;
    });
}

BOOL PeekMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        auto desktop = CurrentDesktop();
        if (message == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (!IsValidFilter(*desktop, window)) {
            return FALSE;
        }
        auto found =
            Retrieve(*desktop, window, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0, false);
        if (!found) {
            return FALSE;
        }
        *message = *found;
        return TRUE;
    });
}

// A key down from the display driver comes with the character it types; that character is
// posted as WM_CHAR.
BOOL TranslateMessage(const MSG* message) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        if (message == nullptr) {
            return FALSE;
        }
        if (message->message == WM_KEYUP) {
            return TRUE;
        }
        if (message->message != WM_KEYDOWN) {
            return FALSE;
        }
        const char16_t character =
            CurrentDesktop()->CurrentQueue()->CharacterOfKey(message->wParam);
        if (character != u'\0') {
            PostMessageW(message->hwnd, WM_CHAR, character, message->lParam);
        }
        return TRUE;
    });
}

LRESULT DispatchMessageW(const MSG* message) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<LRESULT>(0, [&]() -> LRESULT {
        if (message == nullptr) {
            return 0;
        }
        if (message->message == WM_TIMER && message->lParam != 0) {
            const auto procedure = reinterpret_cast<TIMERPROC>(message->lParam);
            procedure(message->hwnd, WM_TIMER, message->wParam, GetTickCount());
            return 0;
        }
        if (message->hwnd == nullptr) {
            return 0;
        }
        WNDPROC procedure = nullptr;
        DWORD threadId = 0;
        const bool found =
            CurrentDesktop()->Windows().With(message->hwnd, [&](const Window& record) {
                procedure = record.m_procedure;
                threadId = record.m_threadId;
            });
        if (!found) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        // A window's procedure runs on its own thread only.
        if (threadId != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
        if (message->message != WM_PAINT) {
            return CallWindowProcW(procedure, message->hwnd, message->message, message->wParam,
                                   message->lParam);
        }
        auto desktop = CurrentDesktop();
        const unsigned paints = PaintCount(*desktop, message->hwnd);
        const LRESULT result = CallWindowProcW(procedure, message->hwnd, message->message,
                                               message->wParam, message->lParam);
        FinishPaint(*desktop, message->hwnd, paints);
        return result;
    });
}

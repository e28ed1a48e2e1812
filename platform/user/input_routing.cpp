#include "user/input_routing.h"

#include "winbase.h"

#include "user/desktop.h"
#include "user/geometry.h"
#include "user/message_queue.h"

namespace ce::user {

namespace {

using Kind = drivers::InputEvent::Kind;

// Key message flags: a repeat count of 1, and for a release the previous state and the
// transition bits.
constexpr LPARAM kKeyDownFlags = 1;
constexpr LPARAM kKeyUpFlags = static_cast<LPARAM>(0xC0000001u);

struct Target {
    std::shared_ptr<MessageQueue> m_queue;
    HWND m_window = nullptr;
    POINT m_clientOrigin{};
};

Target PointerTarget(Desktop& desktop, const drivers::InputEvent& event) {
    const HWND capture = desktop.Input().Capture();
    return desktop.Windows().Locked([&](const WindowTable::View& view) {
        Target target;
        const Window* window = view.Find(capture);
        if (window == nullptr) {
            // The driver may know the top-level window; a stale hint counts for nothing.
            HWND topLevel = reinterpret_cast<HWND>(event.window);
            if (view.Find(topLevel) == nullptr) {
                topLevel = nullptr;
            }
            const Hit hit = HitTest(view, event.screen, topLevel);
            window = view.Find(hit.m_window);
            if (window != nullptr && !IsDisabled(*window) && !hit.m_inClient) {
                return target;
            }
            while (window != nullptr && IsDisabled(*window)) {
                window = view.Find(window->m_parent);
            }
        }
        if (window != nullptr) {
            target.m_queue = window->m_queue;
            target.m_window = window->m_handle;
            target.m_clientOrigin = ScreenOriginOfClient(view, *window);
        }
        return target;
    });
}

// The window keys go to: the focus window, else the active one. Whether a disabled one drops
// them is decided when the thread takes them: the focus may have moved on by then.
struct KeyTarget {
    std::shared_ptr<MessageQueue> m_queue;
    HWND m_window = nullptr;
    bool m_disabled = false;
};

KeyTarget KeyTargetOf(Desktop& desktop) {
    HWND window = desktop.Input().Focus();
    if (window == nullptr) {
        window = desktop.Input().Active();
    }
    KeyTarget target;
    desktop.Windows().With(window, [&](const Window& record) {
        target.m_queue = record.m_queue;
        target.m_window = window;
        target.m_disabled = IsDisabled(record);
    });
    return target;
}

LPARAM ClientPoint(const drivers::InputEvent& event, POINT clientOrigin) {
    return MAKELONG(event.screen.x - clientOrigin.x, event.screen.y - clientOrigin.y);
}

void RoutePointer(Desktop& desktop, const drivers::InputEvent& event) {
    bool down = false;
    UINT message = WM_MOUSEMOVE;
    switch (event.kind) {
        case Kind::kPointerDown:
            desktop.Input().ExchangeButton(true);
            down = true;
            message = WM_LBUTTONDOWN;
            break;
        case Kind::kPointerUp:
            desktop.Input().ExchangeButton(false);
            message = WM_LBUTTONUP;
            break;
        default:
            down = desktop.Input().ButtonDown();
            break;
    }
    const Target target = PointerTarget(desktop, event);
    if (target.m_window == nullptr) {
        return;
    }
    MSG input{};
    input.hwnd = target.m_window;
    input.message = message;
    input.wParam = down ? MK_LBUTTON : 0;
    input.lParam = ClientPoint(event, target.m_clientOrigin);
    input.time = GetTickCount();
    input.pt = event.screen;
    target.m_queue->PostInput(input, u'\0', event);
}

void RouteKey(Desktop& desktop, const drivers::InputEvent& event) {
    const KeyTarget target = KeyTargetOf(desktop);
    if (!target.m_queue) {
        return;
    }
    const bool down = event.kind == Kind::kKeyDown;
    MSG input{};
    input.hwnd = target.m_window;
    input.message = down ? WM_KEYDOWN : WM_KEYUP;
    input.wParam = event.virtualKey;
    input.lParam = down ? kKeyDownFlags : kKeyUpFlags;
    input.time = GetTickCount();
    target.m_queue->PostInput(input, down ? event.character : u'\0', event);
}

}  // namespace

bool RetargetInput(Desktop& desktop, DWORD threadId, const drivers::InputEvent& event,
                   MSG* message) {
    const bool pointer = event.kind == Kind::kPointerDown || event.kind == Kind::kPointerUp ||
                         event.kind == Kind::kPointerMove;
    if (pointer) {
        const Target target = PointerTarget(desktop, event);
        if (target.m_window != nullptr && target.m_queue->ThreadId() == threadId) {
            message->hwnd = target.m_window;
            message->lParam = ClientPoint(event, target.m_clientOrigin);
        }
        return true;
    }
    const KeyTarget target = KeyTargetOf(desktop);
    if (target.m_window == nullptr || target.m_queue->ThreadId() != threadId) {
        return true;
    }
    message->hwnd = target.m_window;
    return !target.m_disabled;
}

void RouteInput(Desktop& desktop, const drivers::InputEvent& event) {
    switch (event.kind) {
        case Kind::kPointerDown:
        case Kind::kPointerUp:
        case Kind::kPointerMove:
            RoutePointer(desktop, event);
            break;
        case Kind::kKeyDown:
        case Kind::kKeyUp:
            RouteKey(desktop, event);
            break;
    }
}

}  // namespace ce::user

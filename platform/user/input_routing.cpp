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
    input.lParam = MAKELONG(event.screen.x - target.m_clientOrigin.x,
                            event.screen.y - target.m_clientOrigin.y);
    input.time = GetTickCount();
    input.pt = event.screen;
    target.m_queue->PostInput(input, u'\0');
}

void RouteKey(Desktop& desktop, const drivers::InputEvent& event) {
    HWND window = desktop.Input().Focus();
    if (window == nullptr) {
        window = desktop.Input().Active();
    }
    std::shared_ptr<MessageQueue> queue;
    desktop.Windows().With(window, [&](const Window& record) {
        if (!IsDisabled(record)) {
            queue = record.m_queue;
        }
    });
    if (!queue) {
        return;
    }
    const bool down = event.kind == Kind::kKeyDown;
    MSG input{};
    input.hwnd = window;
    input.message = down ? WM_KEYDOWN : WM_KEYUP;
    input.wParam = event.virtualKey;
    input.lParam = down ? kKeyDownFlags : kKeyUpFlags;
    input.time = GetTickCount();
    queue->PostInput(input, down ? event.character : u'\0');
}

}  // namespace

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

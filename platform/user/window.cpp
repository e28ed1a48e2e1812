#include "user/window.h"

#include <unistd.h>

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/desktop.h"
#include "user/message_queue.h"
#include "user/screen_report.h"
#include "user/send_message.h"
#include "user/visibility.h"
#include "user/window_lifetime.h"
#include "user/window_position.h"

namespace ce::user {

namespace {

// A top-level window placed by default takes the screen's corner, and sized by default the whole
// screen, as on a small device; a child's defaults are zeros. As on the device, y and height do
// not count when x and width ask for the default.
void Place(Desktop& desktop, CREATESTRUCTW& create, bool child, int x, int y, int width,
           int height) {
    create.x = x == CW_USEDEFAULT ? 0 : x;
    create.y = x == CW_USEDEFAULT ? 0 : y;
    if (width != CW_USEDEFAULT) {
        create.cx = width;
        create.cy = height;
    } else if (!child) {
        const SIZE screen = desktop.Driver().ScreenSize();
        create.cx = screen.cx;
        create.cy = screen.cy;
    }
}

bool IsAlive(Desktop& desktop, HWND window) {
    bool alive = false;
    desktop.Windows().With(window, [&](const Window& record) { alive = !record.m_destroying; });
    return alive;
}

std::shared_ptr<Window> NewWindow(Desktop& desktop, std::shared_ptr<const WindowClass> windowClass,
                                  const CREATESTRUCTW& create, HWND parent, HWND owner) {
    auto window = std::make_shared<Window>();
    window->m_class = std::move(windowClass);
    window->m_threadId = GetCurrentThreadId();
    window->m_queue = desktop.CurrentQueue();
    window->m_parent = parent;
    window->m_owner = owner;
    // A window asked to be visible is shown once it is created.
    window->m_style = static_cast<DWORD>(create.style) & ~WS_VISIBLE;
    window->m_exStyle = create.dwExStyle;
    window->m_rect = RECT{create.x, create.y, create.x + create.cx, create.y + create.cy};
    // The menu argument of a child window is its control id.
    if (parent != nullptr) {
        window->m_id = static_cast<LONG_PTR>(reinterpret_cast<std::uintptr_t>(create.hMenu));
    }
    window->m_procedure = window->m_class->m_procedure;
    window->m_extraBytes.resize(static_cast<std::size_t>(window->m_class->m_windowExtraBytes));
    MakeSurface(*window);
    return window;
}

HWND CreateWindowOnDesktop(Desktop& desktop, DWORD exStyle, LPCWSTR className, LPCWSTR windowName,
                           DWORD style, int x, int y, int width, int height, HWND parent,
                           HMENU menu, HINSTANCE instance, LPVOID parameter) {
    auto windowClass = desktop.Classes().Find(className);
    if (!windowClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if ((style & WS_CHILD) != 0 && parent == nullptr) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    if (parent != nullptr && !desktop.Windows().Find(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    // The parent argument of a top-level window names its owner, which is always top-level.
    const bool child = (style & WS_CHILD) != 0;
    HWND parentOfChild = child ? parent : nullptr;
    HWND owner = !child && parent != nullptr ? desktop.Windows().RootOf(parent) : nullptr;

    CREATESTRUCTW create{};
    create.lpCreateParams = parameter;
    create.hInstance = instance;
    create.hMenu = menu;
    create.hwndParent = parent;
    Place(desktop, create, child, x, y, width, height);
    create.style = static_cast<LONG>(style);
    create.lpszName = windowName;
    create.lpszClass = className;
    create.dwExStyle = exStyle;

    HWND window = desktop.Windows().Insert(
        NewWindow(desktop, std::move(windowClass), create, parentOfChild, owner));
    if (window == nullptr) {
        SetLastError(parentOfChild != nullptr && !desktop.Windows().Find(parentOfChild)
                         ? ERROR_INVALID_WINDOW_HANDLE
                         : ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }

    const auto createParam = reinterpret_cast<LPARAM>(&create);
    if (SendToWindow(desktop, window, WM_NCCREATE, 0, createParam) == 0) {
        DestroyUnbornWindow(desktop, window);
        return nullptr;
    }
    if (desktop.Windows().Find(window) &&
        SendToWindow(desktop, window, WM_CREATE, 0, createParam) == -1) {
        DestroyWindowTree(desktop, window);
        return nullptr;
    }
    if (IsAlive(desktop, window)) {
        SendSize(desktop, window);
        SendMove(desktop, window);
    }
    if (IsAlive(desktop, window) && parentOfChild == nullptr) {
        ReportWindow(desktop, window);
    }
    if (IsAlive(desktop, window) && (style & WS_VISIBLE) != 0) {
        ChangeVisibility(desktop, window, true, true, ShowMessage::kSend);
    }
    // A procedure may destroy its window while it is being created; the caller gets no handle.
    return IsAlive(desktop, window) ? window : nullptr;
}

}  // namespace

}  // namespace ce::user

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HWND>(nullptr, [&] {
        return CreateWindowOnDesktop(*CurrentDesktop(), exStyle, className, windowName, style, x, y,
                                     width, height, parent, menu, instance, parameter);
    });
}

BOOL DestroyWindow(HWND window) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        auto desktop = CurrentDesktop();
        auto record = desktop->Windows().Find(window);
        if (!record) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (record->m_threadId != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        DestroyWindowTree(*desktop, window);
        return TRUE;
    });
}

BOOL IsWindow(HWND window) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(
        FALSE, [&] { return CurrentDesktop()->Windows().Find(window) ? TRUE : FALSE; });
}

HWND GetParent(HWND window) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HWND>(nullptr, [&]() -> HWND {
        HWND result = nullptr;
        const bool found = CurrentDesktop()->Windows().With(window, [&](const Window& record) {
            if (record.m_parent != nullptr) {
                result = record.m_parent;
            } else if ((record.m_style & WS_POPUP) != 0) {
                result = record.m_owner;
            }
        });
        if (!found) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        }
        return result;
    });
}

DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<DWORD>(0, [&]() -> DWORD {
        auto record = CurrentDesktop()->Windows().Find(window);
        if (!record) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (processId != nullptr) {
            *processId = static_cast<DWORD>(::getpid());
        }
        return record->m_threadId;
    });
}

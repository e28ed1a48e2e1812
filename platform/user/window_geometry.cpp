// Rectangles, coordinates and relations of windows as the programs see them.
#include <algorithm>
#include <optional>
#include <type_traits>

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/desktop.h"
#include "user/geometry.h"
#include "gdi/rect_math.h"

namespace ce::user {

namespace {

// Runs fn(view, window) under the table's lock; nothing with ERROR_INVALID_WINDOW_HANDLE when
// the handle names no window.
template <class Fn>
auto WithWindow(HWND handle, Fn&& fn) {
    using Result = std::invoke_result_t<Fn&, const WindowTable::View&, const Window&>;
    auto result = CurrentDesktop()->Windows().Locked(
        [&](const WindowTable::View& view) -> std::optional<Result> {
            const Window* window = view.Find(handle);
            if (window == nullptr) {
                return std::nullopt;
            }
            return fn(view, *window);
        });
    if (!result) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    }
    return result;
}

// Where the client (0,0) of a window is on the screen; the screen's own origin for null.
std::optional<POINT> ClientOriginOf(HWND window) {
    if (window == nullptr) {
        return POINT{0, 0};
    }
    return WithWindow(window, [](const WindowTable::View& view, const Window& record) {
        return ScreenOriginOfClient(view, record);
    });
}

HWND Sibling(const WindowTable::View& view, const Window& window, UINT relation) {
    const std::vector<HWND>& siblings = view.SiblingsOf(window);
    const auto self = std::find(siblings.begin(), siblings.end(), window.m_handle);
    switch (relation) {
        case GW_HWNDFIRST:
            return siblings.empty() ? nullptr : siblings.front();
        case GW_HWNDLAST:
            return siblings.empty() ? nullptr : siblings.back();
        case GW_HWNDNEXT:
            return self == siblings.end() || self + 1 == siblings.end() ? nullptr : *(self + 1);
        case GW_HWNDPREV:
            return self == siblings.end() || self == siblings.begin() ? nullptr : *(self - 1);
        default:
            return nullptr;
    }
}

}  // namespace

}  // namespace ce::user

BOOL GetWindowRect(HWND window, LPRECT rect) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        const auto found =
            WithWindow(window, [](const WindowTable::View& view, const Window& record) {
                const POINT origin = ScreenOriginOfWindow(view, record);
                return RECT{origin.x, origin.y, origin.x + ce::Width(record.m_rect),
                            origin.y + ce::Height(record.m_rect)};
            });
        if (!found || rect == nullptr) {
            return FALSE;
        }
        *rect = *found;
        return TRUE;
    });
}

BOOL GetClientRect(HWND window, LPRECT rect) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        const auto found = WithWindow(window, [](const WindowTable::View&, const Window& record) {
            return ClientRect(record);
        });
        if (!found || rect == nullptr) {
            return FALSE;
        }
        *rect = *found;
        return TRUE;
    });
}

BOOL ClientToScreen(HWND window, LPPOINT point) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        const auto origin = window == nullptr ? std::nullopt : ClientOriginOf(window);
        if (!origin || point == nullptr) {
            return FALSE;
        }
        point->x += origin->x;
        point->y += origin->y;
        return TRUE;
    });
}

BOOL ScreenToClient(HWND window, LPPOINT point) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        const auto origin = window == nullptr ? std::nullopt : ClientOriginOf(window);
        if (!origin || point == nullptr) {
            return FALSE;
        }
        point->x -= origin->x;
        point->y -= origin->y;
        return TRUE;
    });
}

// The result holds the horizontal shift in its low word and the vertical one in its high word.
int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<int>(0, [&]() -> int {
        const auto fromOrigin = ClientOriginOf(from);
        const auto toOrigin = ClientOriginOf(to);
        if (!fromOrigin || !toOrigin) {
            return 0;
        }
        const LONG dx = fromOrigin->x - toOrigin->x;
        const LONG dy = fromOrigin->y - toOrigin->y;
        for (UINT i = 0; points != nullptr && i < count; ++i) {
            points[i].x += dx;
            points[i].y += dy;
        }
        return MAKELONG(dx, dy);
    });
}

HWND GetWindow(HWND window, UINT relation) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HWND>(nullptr, [&]() -> HWND {
        const auto found =
            WithWindow(window, [&](const WindowTable::View& view, const Window& record) -> HWND {
                switch (relation) {
                    case GW_CHILD:
                        return record.m_children.empty() ? nullptr : record.m_children.front();
                    case GW_OWNER:
                        return record.m_owner;
                    default:
                        return Sibling(view, record, relation);
                }
            });
        return found.value_or(nullptr);
    });
}

BOOL IsChild(HWND parent, HWND window) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        return parent != window && CurrentDesktop()->Windows().IsSelfOrDescendant(parent, window)
                   ? TRUE
                   : FALSE;
    });
}

HWND WindowFromPoint(POINT point) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HWND>(nullptr, [&]() -> HWND {
        return CurrentDesktop()->Windows().Locked([&](const WindowTable::View& view) -> HWND {
            Hit hit = HitTest(view, point, nullptr);
            // A disabled child is not found; its parent is.
            const Window* window = view.Find(hit.m_window);
            while (window != nullptr && IsDisabled(*window) && window->m_parent != nullptr) {
                window = view.Find(window->m_parent);
            }
            return window == nullptr ? nullptr : window->m_handle;
        });
    });
}

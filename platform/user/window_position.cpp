#include "user/window_position.h"

#include <algorithm>

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/activation.h"
#include "user/desktop.h"
#include "user/geometry.h"
#include "gdi/rect_math.h"
#include "user/screen_report.h"
#include "user/send_message.h"
#include "user/update_region.h"
#include "user/visibility.h"
#include "user/z_order.h"

namespace ce::user {

namespace {

struct Change {
    bool m_found = false;
    bool m_topLevel = false;
    bool m_visible = false;
    bool m_moved = false;
    bool m_sized = false;
    bool m_restacked = false;
    HWND m_parent = nullptr;
    RECT m_before{};
    RECT m_after{};
};

Change Apply(Desktop& desktop, HWND window, HWND insertAfter, int x, int y, int width, int height,
             UINT flags) {
    Change change;
    desktop.Windows().Locked([&](const WindowTable::View& view) {
        Window* record = view.Find(window);
        if (record == nullptr) {
            return;
        }
        change.m_found = true;
        change.m_topLevel = record->m_parent == nullptr;
        change.m_visible = IsShown(view, *record);
        change.m_parent = record->m_parent;
        change.m_before = record->m_rect;
        RECT rect = record->m_rect;
        if ((flags & SWP_NOMOVE) == 0) {
            rect = Offset(rect, x - rect.left, y - rect.top);
        }
        if ((flags & SWP_NOSIZE) == 0) {
            rect.right = rect.left + std::max(width, 0);
            rect.bottom = rect.top + std::max(height, 0);
        }
        change.m_after = rect;
        change.m_moved = rect.left != change.m_before.left || rect.top != change.m_before.top;
        change.m_sized =
            Width(rect) != Width(change.m_before) || Height(rect) != Height(change.m_before);
        record->m_rect = rect;
        if (change.m_sized) {
            MakeSurface(*record);
        }
        if ((flags & SWP_NOZORDER) == 0) {
            change.m_restacked = PlaceInZOrder(view, *record, insertAfter);
        }
    });
    return change;
}

void Repaint(Desktop& desktop, HWND window, const Change& change, UINT flags) {
    if (!change.m_visible) {
        return;
    }
    // A new surface holds nothing yet, whatever the caller asked for.
    if (change.m_topLevel && change.m_sized) {
        InvalidateTree(desktop, window);
    }
    if (change.m_topLevel || (flags & SWP_NOREDRAW) != 0) {
        return;
    }
    if (change.m_moved || change.m_sized) {
        Invalidate(desktop, change.m_parent, &change.m_before, true);
    }
    if (change.m_moved || change.m_sized || change.m_restacked) {
        InvalidateTree(desktop, window);
    }
}

}  // namespace

void MakeSurface(Window& window) {
    if (window.m_parent == nullptr) {
        window.m_surface = std::make_shared<gdi::Surface>(
            static_cast<int>(std::max<LONG>(0, Width(window.m_rect))),
            static_cast<int>(std::max<LONG>(0, Height(window.m_rect))));
    }
}

void SendMove(Desktop& desktop, HWND window) {
    RECT client{};
    desktop.Windows().With(window, [&](const Window& record) { client = ClientArea(record); });
    SendToWindow(desktop, window, WM_MOVE, 0, MAKELONG(client.left, client.top));
}

void SendSize(Desktop& desktop, HWND window) {
    RECT client{};
    desktop.Windows().With(window, [&](const Window& record) { client = ClientRect(record); });
    SendToWindow(desktop, window, WM_SIZE, SIZE_RESTORED, MAKELONG(client.right, client.bottom));
}

bool PositionWindow(Desktop& desktop, HWND window, HWND insertAfter, int x, int y, int width,
                    int height, UINT flags) {
    const Change change = Apply(desktop, window, insertAfter, x, y, width, height, flags);
    if (!change.m_found) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (change.m_moved || change.m_sized || change.m_restacked) {
        // The driver has the new place and surface before anything is drawn into it.
        if (change.m_topLevel) {
            ReportWindow(desktop, window);
            ReportStacking(desktop);
        }
        WindowPos position{window,
                           insertAfter,
                           static_cast<int>(change.m_after.left),
                           static_cast<int>(change.m_after.top),
                           static_cast<int>(Width(change.m_after)),
                           static_cast<int>(Height(change.m_after)),
                           flags};
        SendToWindow(desktop, window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
        if (change.m_moved) {
            SendMove(desktop, window);
        }
        if (change.m_sized) {
            SendSize(desktop, window);
        }
        Repaint(desktop, window, change, flags);
    }
    if ((flags & SWP_SHOWWINDOW) != 0) {
        ChangeVisibility(desktop, window, true, false, ShowMessage::kSkip);
    } else if ((flags & SWP_HIDEWINDOW) != 0) {
        ChangeVisibility(desktop, window, false, false, ShowMessage::kSkip);
    }
    if ((flags & SWP_NOACTIVATE) == 0 && change.m_topLevel && (flags & SWP_HIDEWINDOW) == 0) {
        bool visible = false;
        desktop.Windows().With(
            window, [&](const Window& record) { visible = (record.m_style & WS_VISIBLE) != 0; });
        if (visible) {
            Activate(desktop, window, WA_ACTIVE);
        }
    }
    return true;
}

}  // namespace ce::user

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&] {
        return PositionWindow(*CurrentDesktop(), window, insertAfter, x, y, width, height, flags)
                   ? TRUE
                   : FALSE;
    });
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&] {
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : SWP_NOREDRAW);
        return PositionWindow(*CurrentDesktop(), window, nullptr, x, y, width, height, flags)
                   ? TRUE
                   : FALSE;
    });
}

#include "user/update_region.h"

#include <memory>
#include <vector>

#include "user/desktop.h"
#include "user/geometry.h"
#include "user/message_queue.h"
#include "gdi/rect_math.h"

namespace ce::user {

namespace {

using Wakes = std::vector<std::shared_ptr<MessageQueue>>;

void AddUpdate(Window& window, const RECT& rect, bool erase, Wakes& wakes) {
    if (IsEmpty(rect)) {
        return;
    }
    SetUpdateRect(window, Union(window.m_update, rect));
    window.m_erasePending = window.m_erasePending || erase;
    wakes.push_back(window.m_queue);
}

void InvalidateLocked(const WindowTable::View& view, Window& window, const RECT& rect, bool erase,
                      Wakes& wakes) {
    AddUpdate(window, rect, erase, wakes);
    if ((window.m_style & WS_CLIPCHILDREN) != 0) {
        return;
    }
    for (HWND handle : window.m_children) {
        Window* child = view.Find(handle);
        if (child == nullptr || (child->m_style & WS_VISIBLE) == 0) {
            continue;
        }
        const RECT covered = Intersect(rect, child->m_rect);
        if (IsEmpty(covered)) {
            continue;
        }
        const RECT client = ClientArea(*child);
        if (!Covers(client, covered) && HasNonClientArea(*child)) {
            child->m_frameDirty = true;
        }
        const RECT inChild =
            Intersect(Offset(covered, -client.left, -client.top), ClientRect(*child));
        InvalidateLocked(view, *child, inChild, erase, wakes);
    }
}

void InvalidateTreeLocked(const WindowTable::View& view, Window& window, Wakes& wakes) {
    AddUpdate(window, ClientRect(window), true, wakes);
    window.m_frameDirty = HasNonClientArea(window);
    for (HWND handle : window.m_children) {
        Window* child = view.Find(handle);
        if (child != nullptr && (child->m_style & WS_VISIBLE) != 0) {
            InvalidateTreeLocked(view, *child, wakes);
        }
    }
}

void WakeAll(const Wakes& wakes) {
    for (const auto& queue : wakes) {
        queue->Wake();
    }
}

}  // namespace

void SetUpdateRect(Window& window, const RECT& update) {
    const bool before = !IsEmpty(window.m_update);
    window.m_update = IsEmpty(update) ? RECT{} : update;
    const bool after = !IsEmpty(window.m_update);
    if (before != after && window.m_queue) {
        window.m_queue->CountWindowToPaint(after ? 1 : -1);
    }
}

void Invalidate(Desktop& desktop, HWND handle, const RECT* rect, bool erase) {
    Wakes wakes;
    desktop.Windows().Locked([&](const WindowTable::View& view) {
        Window* window = view.Find(handle);
        if (window == nullptr || !IsShown(view, *window)) {
            return;
        }
        const RECT client = ClientRect(*window);
        InvalidateLocked(view, *window, rect == nullptr ? client : Intersect(*rect, client), erase,
                         wakes);
    });
    WakeAll(wakes);
}

void InvalidateTree(Desktop& desktop, HWND handle) {
    Wakes wakes;
    desktop.Windows().Locked([&](const WindowTable::View& view) {
        Window* window = view.Find(handle);
        if (window != nullptr && IsShown(view, *window)) {
            InvalidateTreeLocked(view, *window, wakes);
        }
    });
    WakeAll(wakes);
}

void Validate(Window& window, const RECT* rect) {
    SetUpdateRect(window, rect == nullptr ? RECT{} : Subtract(window.m_update, *rect));
    if (IsEmpty(window.m_update)) {
        window.m_erasePending = false;
    }
}

void ForgetUpdateTree(const WindowTable::View& view, Window& window) {
    Validate(window, nullptr);
    window.m_frameDirty = false;
    for (HWND handle : window.m_children) {
        if (Window* child = view.Find(handle)) {
            ForgetUpdateTree(view, *child);
        }
    }
}

}  // namespace ce::user

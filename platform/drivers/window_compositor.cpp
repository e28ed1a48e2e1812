#include "drivers/window_compositor.h"

#include <algorithm>

#include "gdi/rect_math.h"

namespace ce::drivers {

WindowCompositor::WindowCompositor(SIZE screenSize)
    : m_screen(std::make_unique<gdi::Surface>(screenSize.cx, screenSize.cy)) {}

RECT WindowCompositor::Resize(SIZE screenSize) {
    m_screen = std::make_unique<gdi::Surface>(screenSize.cx, screenSize.cy);
    return Compose(m_screen->Bounds());
}

RECT WindowCompositor::UpdateWindow(const TopLevelWindow& window,
                                    std::shared_ptr<const gdi::Surface> surface) {
    Shown& shown = m_windows[window.id];
    const RECT before = shown.m_window.visible ? shown.m_window.rect : RECT{};
    shown.m_window = window;
    shown.m_source = std::move(surface);
    const int width = std::max(0, static_cast<int>(window.rect.right - window.rect.left));
    const int height = std::max(0, static_cast<int>(window.rect.bottom - window.rect.top));
    shown.m_pixels = std::make_unique<gdi::Surface>(width, height);
    if (shown.m_source) {
        shown.m_pixels->Copy(0, 0, *shown.m_source, shown.m_source->Bounds());
    }
    RECT redrawn = Compose(before);
    if (window.visible) {
        redrawn = Union(redrawn, Compose(window.rect));
    }
    return redrawn;
}

RECT WindowCompositor::RemoveWindow(WindowId id) {
    auto found = m_windows.find(id);
    if (found == m_windows.end()) {
        return RECT{};
    }
    const RECT area = found->second.m_window.visible ? found->second.m_window.rect : RECT{};
    m_windows.erase(found);
    std::erase(m_stacking, id);
    return Compose(area);
}

RECT WindowCompositor::Restack(std::span<const WindowId> topFirst) {
    m_stacking.assign(topFirst.begin(), topFirst.end());
    return Compose(m_screen->Bounds());
}

RECT WindowCompositor::Present(WindowId id, const RECT& changed) {
    auto found = m_windows.find(id);
    if (found == m_windows.end() || !found->second.m_source) {
        return RECT{};
    }
    Shown& shown = found->second;
    const RECT part = Intersect(changed, shown.m_pixels->Bounds());
    if (IsEmpty(part)) {
        return RECT{};
    }
    shown.m_pixels->Copy(part.left, part.top, *shown.m_source, part);
    if (!shown.m_window.visible) {
        return RECT{};
    }
    return Compose(Offset(part, shown.m_window.rect.left, shown.m_window.rect.top));
}

std::vector<const WindowCompositor::Shown*> WindowCompositor::BottomFirst() const {
    std::vector<const Shown*> order;
    // Windows the last restack did not name are newer than it: they are on top.
    for (const auto& [id, shown] : m_windows) {
        if (shown.m_window.visible &&
            std::find(m_stacking.begin(), m_stacking.end(), id) == m_stacking.end()) {
            order.push_back(&shown);
        }
    }
    for (WindowId id : m_stacking) {
        auto found = m_windows.find(id);
        if (found != m_windows.end() && found->second.m_window.visible) {
            order.push_back(&found->second);
        }
    }
    std::reverse(order.begin(), order.end());
    return order;
}

RECT WindowCompositor::Compose(const RECT& area) {
    const RECT clipped = Intersect(area, m_screen->Bounds());
    if (IsEmpty(clipped)) {
        return RECT{};
    }
    m_screen->Fill(clipped, 0);
    for (const Shown* shown : BottomFirst()) {
        const RECT& rect = shown->m_window.rect;
        const RECT part = Intersect(clipped, rect);
        if (IsEmpty(part)) {
            continue;
        }
        m_screen->Copy(part.left, part.top, *shown->m_pixels, Offset(part, -rect.left, -rect.top));
    }
    return clipped;
}

std::vector<TopLevelWindow> WindowCompositor::VisibleWindows() const {
    std::vector<TopLevelWindow> windows;
    const auto bottomFirst = BottomFirst();
    for (auto it = bottomFirst.rbegin(); it != bottomFirst.rend(); ++it) {
        windows.push_back((*it)->m_window);
    }
    return windows;
}

}  // namespace ce::drivers

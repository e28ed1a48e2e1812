#include "user/geometry.h"

#include <algorithm>
#include <vector>

#include "gdi/rect_math.h"
#include "user/system_metrics.h"

namespace ce::user {

namespace {

bool IsDialog(const Window& window) {
    return window.m_class && FoldClassName(window.m_class->m_name) == u"#32770";
}

bool HasDialogFrame(const Window& window) {
    const bool modalFrame = (window.m_exStyle & WS_EX_DLGMODALFRAME) != 0 ||
                            (IsDialog(window) && (window.m_style & DS_MODALFRAME) != 0);
    return modalFrame || (window.m_style & WS_CAPTION) == WS_DLGFRAME;
}

}  // namespace

bool HasCaption(const Window& window) {
    return (window.m_style & WS_CAPTION) == WS_CAPTION;
}

int FrameWidth(const Window& window) {
    if (HasDialogFrame(window)) {
        return kDialogFrameWidth;
    }
    return (window.m_style & WS_BORDER) != 0 ? kBorderWidth : 0;
}

bool HasNonClientArea(const Window& window) {
    return FrameWidth(window) > 0 || HasCaption(window);
}

RECT NonClientInsets(const Window& window) {
    const LONG frame = FrameWidth(window);
    const LONG caption = HasCaption(window) ? kCaptionHeight : 0;
    return RECT{frame, frame + caption, frame, frame};
}

RECT ClientArea(const Window& window) {
    const RECT insets = NonClientInsets(window);
    const RECT& rect = window.m_rect;
    RECT area{rect.left + insets.left, rect.top + insets.top, rect.right - insets.right,
              rect.bottom - insets.bottom};
    area.right = std::max(area.right, area.left);
    area.bottom = std::max(area.bottom, area.top);
    return area;
}

RECT ClientRect(const Window& window) {
    const RECT area = ClientArea(window);
    return RECT{0, 0, Width(area), Height(area)};
}

POINT ScreenOriginOfClient(const WindowTable::View& view, const Window& window) {
    const POINT origin = ScreenOriginOfWindow(view, window);
    const RECT insets = NonClientInsets(window);
    return POINT{origin.x + insets.left, origin.y + insets.top};
}

POINT ScreenOriginOfWindow(const WindowTable::View& view, const Window& window) {
    POINT origin{window.m_rect.left, window.m_rect.top};
    if (const Window* parent = view.Find(window.m_parent)) {
        const POINT parentClient = ScreenOriginOfClient(view, *parent);
        origin.x += parentClient.x;
        origin.y += parentClient.y;
    }
    return origin;
}

bool IsShown(const WindowTable::View& view, const Window& window) {
    for (const Window* current = &window; current != nullptr;
         current = view.Find(current->m_parent)) {
        if ((current->m_style & WS_VISIBLE) == 0) {
            return false;
        }
    }
    return true;
}

bool IsDisabled(const Window& window) {
    return (window.m_style & WS_DISABLED) != 0;
}

SurfacePlace PlaceOnSurface(const WindowTable::View& view, const Window& window) {
    std::vector<const Window*> chain;
    for (const Window* current = &window; current != nullptr;
         current = view.Find(current->m_parent)) {
        chain.push_back(current);
    }
    std::reverse(chain.begin(), chain.end());

    const Window& root = *chain.front();
    SurfacePlace place;
    place.m_surface = root.m_surface;
    place.m_root = root.m_handle;
    RECT clip = place.m_surface ? place.m_surface->Bounds() : RECT{};
    POINT parentClient{0, 0};
    for (const Window* link : chain) {
        const RECT& rect = link->m_rect;
        const bool isRoot = link == &root;
        place.m_windowOrigin =
            isRoot ? POINT{0, 0} : POINT{parentClient.x + rect.left, parentClient.y + rect.top};
        const RECT insets = NonClientInsets(*link);
        place.m_clientOrigin =
            POINT{place.m_windowOrigin.x + insets.left, place.m_windowOrigin.y + insets.top};
        const RECT windowOnSurface = Offset(RECT{0, 0, Width(rect), Height(rect)},
                                            place.m_windowOrigin.x, place.m_windowOrigin.y);
        const RECT clientOnSurface =
            Offset(ClientRect(*link), place.m_clientOrigin.x, place.m_clientOrigin.y);
        place.m_visibleWindow = Intersect(windowOnSurface, clip);
        place.m_visibleClient = Intersect(clientOnSurface, clip);
        clip = place.m_visibleClient;
        parentClient = place.m_clientOrigin;
    }
    return place;
}

Hit HitTest(const WindowTable::View& view, POINT screen, HWND topLevel) {
    const Window* found = nullptr;
    for (HWND candidate : view.TopLevel()) {
        if (topLevel != nullptr && candidate != topLevel) {
            continue;
        }
        const Window* window = view.Find(candidate);
        if (window != nullptr && (window->m_style & WS_VISIBLE) != 0 &&
            Contains(window->m_rect, screen)) {
            found = window;
            break;
        }
    }
    if (found == nullptr) {
        return Hit{};
    }
    // The point relative to the parent's client area of the window being looked at.
    POINT point = screen;
    for (;;) {
        const RECT client = ClientArea(*found);
        const bool inClient = Contains(client, point);
        if (!inClient || IsDisabled(*found)) {
            return Hit{found->m_handle, inClient};
        }
        const POINT inside{point.x - client.left, point.y - client.top};
        const Window* deeper = nullptr;
        for (HWND child : found->m_children) {
            const Window* window = view.Find(child);
            if (window != nullptr && (window->m_style & WS_VISIBLE) != 0 &&
                Contains(window->m_rect, inside)) {
                deeper = window;
                break;
            }
        }
        if (deeper == nullptr) {
            return Hit{found->m_handle, true};
        }
        found = deeper;
        point = inside;
    }
}

}  // namespace ce::user

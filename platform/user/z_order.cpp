#include "user/z_order.h"

#include <algorithm>

namespace ce::user {

namespace {

bool IsTopmost(const WindowTable::View& view, HWND handle) {
    const Window* window = view.Find(handle);
    return window != nullptr && (window->m_exStyle & WS_EX_TOPMOST) != 0;
}

}  // namespace

bool PlaceInZOrder(const WindowTable::View& view, Window& window, HWND insertAfter) {
    std::vector<HWND>& siblings = view.SiblingsOf(window);
    const std::vector<HWND> before = siblings;
    const DWORD exStyleBefore = window.m_exStyle;
    const bool topLevel = window.m_parent == nullptr;
    if (topLevel) {
        if (insertAfter == HWND_TOPMOST) {
            window.m_exStyle |= WS_EX_TOPMOST;
        } else if (insertAfter == HWND_NOTOPMOST || insertAfter == HWND_BOTTOM) {
            window.m_exStyle &= ~WS_EX_TOPMOST;
        }
    }
    std::erase(siblings, window.m_handle);
    const bool topmost = topLevel && (window.m_exStyle & WS_EX_TOPMOST) != 0;
    // The first place the window may take: below the topmost band unless it is in it.
    const auto bandStart =
        topmost ? siblings.begin()
                : std::find_if(siblings.begin(), siblings.end(),
                               [&](HWND other) { return !topLevel || !IsTopmost(view, other); });
    auto place = bandStart;
    if (insertAfter == HWND_BOTTOM) {
        place = siblings.end();
    } else if (insertAfter != HWND_TOP && insertAfter != HWND_TOPMOST &&
               insertAfter != HWND_NOTOPMOST) {
        auto after = std::find(siblings.begin(), siblings.end(), insertAfter);
        if (after != siblings.end()) {
            place = std::max(after + 1, bandStart);
        }
    }
    if (topmost) {
        // A topmost window stays within its band.
        const auto bandEnd = std::find_if(siblings.begin(), siblings.end(),
                                          [&](HWND other) { return !IsTopmost(view, other); });
        place = std::min(place, bandEnd);
    }
    siblings.insert(place, window.m_handle);
    return siblings != before || window.m_exStyle != exStyleBefore;
}

}  // namespace ce::user

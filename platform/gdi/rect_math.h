// Rectangle arithmetic of the window system and the drawing code. A rectangle includes its left
// and top edges and excludes its right and bottom ones; one with no area is empty, wherever it
// lies.
#pragma once

#include <algorithm>

#include "windef.h"

namespace ce {

constexpr bool IsEmpty(const RECT& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

constexpr RECT Intersect(const RECT& a, const RECT& b) {
    RECT result{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    return IsEmpty(result) ? RECT{} : result;
}

// The smallest rectangle holding both; an empty one does not count.
constexpr RECT Union(const RECT& a, const RECT& b) {
    if (IsEmpty(a)) {
        return IsEmpty(b) ? RECT{} : b;
    }
    if (IsEmpty(b)) {
        return a;
    }
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

constexpr RECT Offset(const RECT& rect, LONG dx, LONG dy) {
    return RECT{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

constexpr bool Contains(const RECT& rect, POINT point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

constexpr bool Covers(const RECT& outer, const RECT& inner) {
    return IsEmpty(inner) || (inner.left >= outer.left && inner.top >= outer.top &&
                              inner.right <= outer.right && inner.bottom <= outer.bottom);
}

// What is left of a when b is taken away, when that is a rectangle; otherwise a itself, which
// still holds it.
constexpr RECT Subtract(const RECT& a, const RECT& b) {
    const RECT cut = Intersect(a, b);
    if (IsEmpty(cut)) {
        return a;
    }
    if (Covers(cut, a)) {
        return RECT{};
    }
    const bool fullWidth = cut.left == a.left && cut.right == a.right;
    const bool fullHeight = cut.top == a.top && cut.bottom == a.bottom;
    if (fullWidth && cut.top == a.top) {
        return RECT{a.left, cut.bottom, a.right, a.bottom};
    }
    if (fullWidth && cut.bottom == a.bottom) {
        return RECT{a.left, a.top, a.right, cut.top};
    }
    if (fullHeight && cut.left == a.left) {
        return RECT{cut.right, a.top, a.right, a.bottom};
    }
    if (fullHeight && cut.right == a.right) {
        return RECT{a.left, a.top, cut.left, a.bottom};
    }
    return a;
}

constexpr LONG Width(const RECT& rect) {
    return rect.right - rect.left;
}

constexpr LONG Height(const RECT& rect) {
    return rect.bottom - rect.top;
}

constexpr bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The device accepts rectangles given with their corners swapped.
constexpr RECT Normalized(const RECT& rect) {
    return RECT{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom),
                std::max(rect.left, rect.right), std::max(rect.top, rect.bottom)};
}

}  // namespace ce

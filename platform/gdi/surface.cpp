#include "gdi/surface.h"

#include <algorithm>
#include <cstring>

#include "gdi/rect_math.h"

namespace ce::gdi {

Surface::Surface(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)) {
    m_owned.assign(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), 0);
    m_origin = m_owned.data();
    m_rowStep = m_width;
}

Surface::Surface(Pixel* pixels, int width, int height, std::ptrdiff_t stride, bool bottomUp)
    : m_origin(bottomUp && height > 0 ? pixels + (height - 1) * stride : pixels),
      m_rowStep(bottomUp ? -stride : stride),
      m_width(std::max(width, 0)),
      m_height(std::max(height, 0)) {}

void Surface::Fill(const RECT& rect, Pixel pixel) {
    const RECT area = Intersect(rect, Bounds());
    for (LONG y = area.top; y < area.bottom; ++y) {
        std::fill_n(Row(y) + area.left, area.right - area.left, pixel);
    }
}

void Surface::Copy(int x, int y, const Surface& source, const RECT& sourceRect) {
    RECT from = Intersect(sourceRect, source.Bounds());
    const RECT to = Intersect(Offset(from, x - sourceRect.left, y - sourceRect.top), Bounds());
    if (IsEmpty(to)) {
        return;
    }
    from = Offset(to, sourceRect.left - x, sourceRect.top - y);
    const std::size_t bytes = static_cast<std::size_t>(to.right - to.left) * sizeof(Pixel);
    const LONG rows = to.bottom - to.top;
    // Within one surface a copy downwards must start at the bottom so no row is overwritten
    // before it is read; memmove takes care of overlap inside a row.
    const bool upwards = &source == this && to.top > from.top;
    for (LONG i = 0; i < rows; ++i) {
        const LONG row = upwards ? rows - 1 - i : i;
        std::memmove(Row(to.top + row) + to.left, source.Row(from.top + row) + from.left, bytes);
    }
}

}  // namespace ce::gdi

// A rectangle of RGB565 pixels: the one pixel format of this platform. Windows, bitmaps, DIB
// sections and the screen are all surfaces. Rows run top to bottom unless the surface says
// otherwise; the stride is counted in pixels and is never assumed to equal the width.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "windef.h"

namespace ce::gdi {

using Pixel = std::uint16_t;

// COLORREF (0x00BBGGRR) to RGB565, keeping the top 5, 6 and 5 bits.
constexpr Pixel ToPixel(COLORREF color) {
    const unsigned red = color & 0xFFu;
    const unsigned green = (color >> 8) & 0xFFu;
    const unsigned blue = (color >> 16) & 0xFFu;
    return static_cast<Pixel>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3));
}

// RGB565 to COLORREF, repeating the top bits into the low ones.
constexpr COLORREF ToColor(Pixel pixel) {
    const unsigned red5 = (pixel >> 11) & 0x1Fu;
    const unsigned green6 = (pixel >> 5) & 0x3Fu;
    const unsigned blue5 = pixel & 0x1Fu;
    const unsigned red = (red5 << 3) | (red5 >> 2);
    const unsigned green = (green6 << 2) | (green6 >> 4);
    const unsigned blue = (blue5 << 3) | (blue5 >> 2);
    return static_cast<COLORREF>(red | (green << 8) | (blue << 16));
}

class Surface {
public:
    // Owns zero-filled pixels of the given size (at least 1x1 is not required: 0x0 is valid).
    Surface(int width, int height);
    // Wraps pixels owned elsewhere (a DIB section's bits); bottomUp makes row 0 the last in memory.
    Surface(Pixel* pixels, int width, int height, std::ptrdiff_t stride, bool bottomUp);
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Pointer to the first pixel of row y (0 = top) and the distance to the next row below.
    Pixel* Row(int y) { return m_origin + y * m_rowStep; }
    const Pixel* Row(int y) const { return m_origin + y * m_rowStep; }
    std::ptrdiff_t RowStep() const { return m_rowStep; }

    Pixel At(int x, int y) const { return Row(y)[x]; }
    void Set(int x, int y, Pixel pixel) { Row(y)[x] = pixel; }
    // Fills the intersection of the rectangle with the surface.
    void Fill(const RECT& rect, Pixel pixel);
    // Copies the intersection of a source rectangle (moved to x, y) onto this surface.
    void Copy(int x, int y, const Surface& source, const RECT& sourceRect);

    RECT Bounds() const { return RECT{0, 0, m_width, m_height}; }

private:
    std::vector<Pixel> m_owned;
    Pixel* m_origin = nullptr;
    std::ptrdiff_t m_rowStep = 0;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace ce::gdi

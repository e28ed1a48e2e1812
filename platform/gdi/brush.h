// Brushes and pens: a colour, or nothing for the null ones.
#pragma once

#include "gdi/gdi_object.h"
#include "gdi/surface.h"

namespace ce::gdi {

class Brush final : public GdiObject {
public:
    Brush(bool isNull, COLORREF color)
        : GdiObject(ObjectKind::kBrush), m_null(isNull), m_color(color) {}

    bool IsNull() const { return m_null; }
    COLORREF Color() const { return m_color; }
    Pixel ToPixel() const { return gdi::ToPixel(m_color); }

private:
    const bool m_null;
    const COLORREF m_color;
};

class Pen final : public GdiObject {
public:
    Pen(bool isNull, COLORREF color)
        : GdiObject(ObjectKind::kPen), m_null(isNull), m_color(color) {}

    bool IsNull() const { return m_null; }
    COLORREF Color() const { return m_color; }

private:
    const bool m_null;
    const COLORREF m_color;
};

}  // namespace ce::gdi

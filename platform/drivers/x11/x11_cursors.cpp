#include "drivers/x11/x11_cursors.h"

#include <X11/cursorfont.h>

namespace ce::drivers::x11 {
namespace {

// A 1x1 cursor whose mask hides its only pixel.
Cursor CreateInvisibleCursor(Display* display) {
    static const char kBits[] = {0};
    Pixmap blank = XCreateBitmapFromData(display, DefaultRootWindow(display), kBits, 1, 1);
    XColor black{};
    Cursor cursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
    XFreePixmap(display, blank);
    return cursor;
}

}  // namespace

Cursors::Cursors(Display* display)
    : m_display(display),
      m_arrow(XCreateFontCursor(display, XC_left_ptr)),
      m_wait(XCreateFontCursor(display, XC_watch)),
      m_none(CreateInvisibleCursor(display)) {}

Cursors::~Cursors() {
    XFreeCursor(m_display, m_arrow);
    XFreeCursor(m_display, m_wait);
    XFreeCursor(m_display, m_none);
}

Cursor Cursors::For(CursorShape shape) const {
    switch (shape) {
        case CursorShape::kNone:
            return m_none;
        case CursorShape::kWait:
            return m_wait;
        case CursorShape::kArrow:
            break;
    }
    return m_arrow;
}

}  // namespace ce::drivers::x11

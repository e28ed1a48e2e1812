// The three pointer shapes of the layer as X cursors.
#pragma once

#include "drivers/x11/x11_xlib.h"

#include "drivers/display_driver.h"

namespace ce::drivers::x11 {

class Cursors {
public:
    explicit Cursors(Display* display);
    Cursors(const Cursors&) = delete;
    Cursors& operator=(const Cursors&) = delete;
    ~Cursors();

    Cursor For(CursorShape shape) const;

private:
    Display* m_display;
    Cursor m_arrow;
    Cursor m_wait;
    Cursor m_none;
};

}  // namespace ce::drivers::x11

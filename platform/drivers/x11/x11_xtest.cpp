#include "drivers/x11/x11_xtest.h"

#include <X11/extensions/XTest.h>

namespace ce::drivers::x11 {

FakePointer::FakePointer(Display* display) : m_display(display) {
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    m_available = XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor) != False;
}

void FakePointer::MoveTo(POINT screen) {
    if (!m_available) {
        return;
    }
    XTestFakeMotionEvent(m_display, DefaultScreen(m_display), screen.x, screen.y, CurrentTime);
    XFlush(m_display);
}

void FakePointer::Button(MouseButton button, bool down) {
    if (!m_available) {
        return;
    }
    const unsigned number = button == MouseButton::kLeft ? Button1 : Button3;
    XTestFakeButtonEvent(m_display, number, down ? True : False, CurrentTime);
    XFlush(m_display);
}

POINT FakePointer::Position() const {
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned mask = 0;
    XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &rootX, &rootY, &windowX,
                  &windowY, &mask);
    return POINT{rootX, rootY};
}

}  // namespace ce::drivers::x11

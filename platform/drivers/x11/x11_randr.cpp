#include "drivers/x11/x11_randr.h"

#include <X11/extensions/Xrandr.h>

namespace ce::drivers::x11 {

ScreenChanges::ScreenChanges(Display* events) : m_display(events) {
    int errorBase = 0;
    if (XRRQueryExtension(m_display, &m_eventBase, &errorBase)) {
        XRRSelectInput(m_display, DefaultRootWindow(m_display), RRScreenChangeNotifyMask);
    } else {
        m_eventBase = -1;
    }
}

bool ScreenChanges::IsScreenChange(const XEvent& event) const {
    return m_eventBase >= 0 && event.type == m_eventBase + RRScreenChangeNotify;
}

SIZE ScreenChanges::Apply(XEvent& event) {
    XRRUpdateConfiguration(&event);
    return ScreenSizeOf(m_display);
}

SIZE ScreenSizeOf(Display* display) {
    const int screen = DefaultScreen(display);
    return SIZE{DisplayWidth(display, screen), DisplayHeight(display, screen)};
}

}  // namespace ce::drivers::x11

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

DisplayRotation ScreenChanges::RotationOf(const XEvent& event) {
    const auto& change = reinterpret_cast<const XRRScreenChangeNotifyEvent&>(event);
    return RotationFromRandr(change.rotation);
}

DisplayRotation CurrentRotation(Display* display) {
    int eventBase = 0;
    int errorBase = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase)) {
        return DisplayRotation::k0;
    }
    ::Rotation current = 0;
    XRRRotations(display, DefaultScreen(display), &current);
    return RotationFromRandr(current);
}

DisplayRotation RotationFromRandr(unsigned rotation) {
    if ((rotation & RR_Rotate_90) != 0) {
        return DisplayRotation::k90;
    }
    if ((rotation & RR_Rotate_180) != 0) {
        return DisplayRotation::k180;
    }
    if ((rotation & RR_Rotate_270) != 0) {
        return DisplayRotation::k270;
    }
    return DisplayRotation::k0;
}

SIZE ScreenSizeOf(Display* display) {
    const int screen = DefaultScreen(display);
    return SIZE{DisplayWidth(display, screen), DisplayHeight(display, screen)};
}

}  // namespace ce::drivers::x11

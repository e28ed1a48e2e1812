// RandR: the screen's rotation and size changes, seen on the connection that reads events.
#pragma once

#include "drivers/x11/x11_xlib.h"

#include "windef.h"

#include "drivers/display_driver.h"

namespace ce::drivers::x11 {

class ScreenChanges {
public:
    // Asks for screen change notifications on the root window when the server has RandR.
    explicit ScreenChanges(Display* events);

    bool IsScreenChange(const XEvent& event) const;
    // Brings the connection's idea of the screen up to date; returns the new screen size.
    SIZE Apply(XEvent& event);
    // The screen's rotation that a screen change event reports.
    static DisplayRotation RotationOf(const XEvent& event);

private:
    Display* m_display;
    int m_eventBase = -1;
};

// The size of the default screen as the connection knows it.
SIZE ScreenSizeOf(Display* display);
// The default screen's rotation as the server has it now (k0 without RandR).
DisplayRotation CurrentRotation(Display* display);
// RandR's rotation bits (RR_Rotate_*, reflections ignored) as the layer's rotation.
DisplayRotation RotationFromRandr(unsigned rotation);

}  // namespace ce::drivers::x11

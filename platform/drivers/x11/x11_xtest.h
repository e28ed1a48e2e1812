// XTest: pointer input that the server treats as the user's own, so it reaches whatever window is
// under the pointer, ours or another program's.
#pragma once

#include "drivers/x11/x11_xlib.h"

#include "windef.h"

#include "drivers/remote_access.h"

namespace ce::drivers::x11 {

class FakePointer {
public:
    // Looks for the extension on the connection; without it every call does nothing.
    explicit FakePointer(Display* display);

    bool Available() const { return m_available; }
    // Each call is flushed: the input takes effect without waiting for other requests.
    void MoveTo(POINT screen);
    void Button(MouseButton button, bool down);
    // Where the pointer is on the screen.
    POINT Position() const;

private:
    Display* m_display;
    bool m_available = false;
};

}  // namespace ce::drivers::x11

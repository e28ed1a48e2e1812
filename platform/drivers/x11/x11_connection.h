// Connections to the X server and the error trap around requests that may legitimately fail.
#pragma once

#include "drivers/x11/x11_xlib.h"

#include <memory>

namespace ce::drivers::x11 {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// Catches the errors of one connection's requests while it lives, instead of Xlib's default
// handler ending the process (an MIT-SHM attach fails on a remote display). The handler is
// process-wide, so traps are taken one at a time and errors of other connections go on to the
// handler that was installed before.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display);
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    ~ErrorTrap();

    // Waits until the server has handled every request made so far; true when none failed.
    bool Succeeded();

private:
    Display* m_display;
};

}  // namespace ce::drivers::x11

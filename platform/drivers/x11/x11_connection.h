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
    // kAround syncs with the server on entry and exit, so that only the requests made while the
    // trap lives count. kNone skips both round trips; it serves a request that waits for its
    // reply (the error arrives before the call returns) on a connection no other code uses.
    enum class Sync { kAround, kNone };

    explicit ErrorTrap(Display* display, Sync sync = Sync::kAround);
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    ~ErrorTrap();

    // Waits until the server has handled every request made so far (kAround); true when none
    // failed.
    bool Succeeded();

private:
    Display* m_display;
    Sync m_sync;
};

}  // namespace ce::drivers::x11

// MIT-SHM: a shared memory segment that the X server reads images from, saving the copy of every
// pixel through the socket. Only works when the server runs on this machine.
#pragma once

#include "drivers/x11/x11_xlib.h"
#include <X11/extensions/XShm.h>

#include <cstddef>
#include <memory>

namespace ce::drivers::x11 {

// The server offers MIT-SHM and reads pixels in our byte order (segments are read as they are).
bool ShmAvailable(Display* display);

class ShmSegment {
public:
    // The segment record must exist before the image that refers to it (XShmCreateImage).
    explicit ShmSegment(Display* display);
    ShmSegment(const ShmSegment&) = delete;
    ShmSegment& operator=(const ShmSegment&) = delete;
    ~ShmSegment();

    // Creates `size` bytes and attaches them here and on the server; false when either fails
    // (segment limits, a server on another machine).
    bool Attach(std::size_t size);

    XShmSegmentInfo* Info() { return &m_info; }
    char* Data() { return m_info.shmaddr; }

private:
    Display* m_display;
    XShmSegmentInfo m_info{};
    bool m_attachedOnServer = false;
};

}  // namespace ce::drivers::x11

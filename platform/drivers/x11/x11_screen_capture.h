// Reading the root window into RGB565 surfaces, on a connection of its own: the capture waits for
// the server's reply, and on its own connection it needs no lock shared with the window threads
// and no round trip to tell its errors from theirs. The screen is read into one image of the
// whole screen (shared memory when the server attaches it, else a plain image), made once and
// made again when the screen's size changes, then converted row by row into the destination.
#pragma once

#include "drivers/x11/x11_xlib.h"

#include <memory>
#include <mutex>
#include <string>

#include "windef.h"

#include "drivers/x11/x11_connection.h"
#include "drivers/x11/x11_window_image.h"
#include "gdi/surface.h"

namespace ce::drivers::x11 {

class ScreenCapture {
public:
    // Connects to the display; null when it cannot.
    static std::unique_ptr<ScreenCapture> Create(const std::string& displayName);
    ScreenCapture(const ScreenCapture&) = delete;
    ScreenCapture& operator=(const ScreenCapture&) = delete;
    ~ScreenCapture();

    // Copies the part of screenRect on a screen of screenSize into the destination at `at`,
    // clipped to it. False when the server refused both ways of reading (the screen changed
    // size since screenSize was known, for one).
    bool Read(const RECT& screenRect, SIZE screenSize, gdi::Surface& destination, POINT at);

private:
    explicit ScreenCapture(DisplayPtr display);
    // Reads the whole screen into m_image, making it first when needed.
    bool ReadRoot(SIZE screenSize);

    std::mutex m_mutex;
    DisplayPtr m_display;
    std::unique_ptr<WindowImage> m_image;
    bool m_useShm = false;
};

}  // namespace ce::drivers::x11

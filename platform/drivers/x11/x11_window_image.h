// The pixels last presented in one X window, in the visual's format, and their way to the server:
// a shared memory segment when the server can attach one, else a plain XPutImage.
#pragma once

#include "drivers/x11/x11_xlib.h"

#include <cstddef>
#include <memory>

#include "windef.h"

#include "drivers/x11/x11_shm.h"

namespace ce::drivers::x11 {

class WindowImage {
public:
    // An image of width x height pixels for the default visual. *useShm says whether to try
    // shared memory; it turns false when the server cannot attach a segment, so later images
    // do not try again. Null when the image cannot be made.
    static std::unique_ptr<WindowImage> Create(Display* display, int width, int height,
                                               bool* useShm);
    WindowImage(const WindowImage&) = delete;
    WindowImage& operator=(const WindowImage&) = delete;
    ~WindowImage();

    int Width() const { return m_image->width; }
    int Height() const { return m_image->height; }
    char* Data() { return m_image->data; }
    std::ptrdiff_t BytesPerLine() const { return m_image->bytes_per_line; }

    // Waits until the server has read the pixels of the last put, so they may be overwritten.
    void WaitUntilRead();
    // Sends the rectangle (image coordinates, inside the image) to the same place of the window.
    void Put(Drawable window, GC gc, const RECT& rect);

private:
    WindowImage(Display* display, XImage* image);

    Display* m_display;
    XImage* m_image;
    std::unique_ptr<ShmSegment> m_shm;
    std::unique_ptr<char[]> m_plainPixels;
    bool m_putPending = false;
};

}  // namespace ce::drivers::x11

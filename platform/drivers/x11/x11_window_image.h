// An image in the visual's format and its way to and from the server: a shared memory segment
// when the server can attach one, else plain XPutImage and XGetSubImage. It holds the pixels last
// presented in one X window, or the screen as the capture last read it.
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
    const XImage& Image() const { return *m_image; }
    bool UsesShm() const { return m_shm != nullptr; }

    // Waits until the server has read the pixels of the last put, so they may be overwritten.
    void WaitUntilRead();
    // Sends the rectangle (image coordinates, inside the image) to the same place of the window.
    void Put(Drawable window, GC gc, const RECT& rect);
    // Reads the image's size of the drawable from (x, y) into the image; false when the server
    // refused (errors go to the handler in force: callers trap them).
    bool Get(Drawable drawable, int x, int y);

private:
    WindowImage(Display* display, XImage* image);

    Display* m_display;
    XImage* m_image;
    std::unique_ptr<ShmSegment> m_shm;
    std::unique_ptr<char[]> m_plainPixels;
    bool m_putPending = false;
};

}  // namespace ce::drivers::x11

#include "drivers/x11/x11_window_image.h"

#include <X11/Xutil.h>

#include <bit>

namespace ce::drivers::x11 {
namespace {

int NativeByteOrder() {
    return std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
}

// The pixels and the segment record belong to us, not to Xlib: only the XImage is freed.
void DestroyImage(XImage* image) {
    image->data = nullptr;
    image->obdata = nullptr;
    XDestroyImage(image);
}

}  // namespace

WindowImage::WindowImage(Display* display, XImage* image) : m_display(display), m_image(image) {}

WindowImage::~WindowImage() {
    DestroyImage(m_image);
}

std::unique_ptr<WindowImage> WindowImage::Create(Display* display, int width, int height,
                                                 bool* useShm) {
    const int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    const auto depth = static_cast<unsigned>(DefaultDepth(display, screen));
    const auto imageWidth = static_cast<unsigned>(width);
    const auto imageHeight = static_cast<unsigned>(height);

    if (*useShm) {
        auto segment = std::make_unique<ShmSegment>(display);
        XImage* image = XShmCreateImage(display, visual, depth, ZPixmap, nullptr, segment->Info(),
                                        imageWidth, imageHeight);
        if (image != nullptr) {
            if (segment->Attach(static_cast<std::size_t>(image->bytes_per_line) *
                                static_cast<std::size_t>(height))) {
                image->data = segment->Data();
                std::unique_ptr<WindowImage> result(new WindowImage(display, image));
                result->m_shm = std::move(segment);
                return result;
            }
            DestroyImage(image);
        }
        *useShm = false;
    }

    XImage* image =
        XCreateImage(display, visual, depth, ZPixmap, 0, nullptr, imageWidth, imageHeight, 32, 0);
    if (image == nullptr) {
        return nullptr;
    }
    // Pixels are written in this machine's order; XPutImage swaps them if the server differs.
    image->byte_order = NativeByteOrder();
    std::unique_ptr<WindowImage> result(new WindowImage(display, image));
    result->m_plainPixels = std::make_unique<char[]>(
        static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(height));
    image->data = result->m_plainPixels.get();
    return result;
}

void WindowImage::WaitUntilRead() {
    if (m_putPending) {
        XSync(m_display, False);
        m_putPending = false;
    }
}

void WindowImage::Put(Drawable window, GC gc, const RECT& rect) {
    const auto width = static_cast<unsigned>(rect.right - rect.left);
    const auto height = static_cast<unsigned>(rect.bottom - rect.top);
    if (m_shm) {
        XShmPutImage(m_display, window, gc, m_image, rect.left, rect.top, rect.left, rect.top,
                     width, height, False);
        m_putPending = true;
    } else {
        // The request carries a copy of the pixels: nothing to wait for.
        XPutImage(m_display, window, gc, m_image, rect.left, rect.top, rect.left, rect.top, width,
                  height);
    }
}

bool WindowImage::Get(Drawable drawable, int x, int y) {
    if (m_shm) {
        return XShmGetImage(m_display, drawable, m_image, x, y, AllPlanes) != 0;
    }
    return XGetSubImage(m_display, drawable, x, y, static_cast<unsigned>(m_image->width),
                        static_cast<unsigned>(m_image->height), AllPlanes, ZPixmap, m_image, 0,
                        0) != nullptr;
}

}  // namespace ce::drivers::x11

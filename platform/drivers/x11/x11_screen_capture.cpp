#include "drivers/x11/x11_screen_capture.h"

#include <algorithm>

#include "drivers/x11/x11_capture_format.h"
#include "drivers/x11/x11_shm.h"
#include "gdi/rect_math.h"

namespace ce::drivers::x11 {

std::unique_ptr<ScreenCapture> ScreenCapture::Create(const std::string& displayName) {
    DisplayPtr display(XOpenDisplay(displayName.c_str()));
    if (!display) {
        return nullptr;
    }
    return std::unique_ptr<ScreenCapture>(new ScreenCapture(std::move(display)));
}

ScreenCapture::ScreenCapture(DisplayPtr display)
    : m_display(std::move(display)), m_useShm(ShmAvailable(m_display.get())) {}

ScreenCapture::~ScreenCapture() {
    // The image's segment is detached on this connection before it closes.
    m_image.reset();
}

bool ScreenCapture::ReadRoot(SIZE screenSize) {
    Display* display = m_display.get();
    if (!m_image || m_image->Width() != screenSize.cx || m_image->Height() != screenSize.cy) {
        m_image.reset();
        m_image = WindowImage::Create(display, screenSize.cx, screenSize.cy, &m_useShm);
        if (!m_image) {
            return false;
        }
    }
    const Window root = DefaultRootWindow(display);
    {
        ErrorTrap trap(display, ErrorTrap::Sync::kNone);
        if (m_image->Get(root, 0, 0) && trap.Succeeded()) {
            return true;
        }
    }
    if (!m_image->UsesShm()) {
        return false;
    }
    // Shared memory refused: try a plain image. If that works, shared memory is what failed
    // and is not tried again; if not, the screen probably changed size, and the next call tries
    // shared memory again with the new size.
    bool plain = false;
    auto image = WindowImage::Create(display, screenSize.cx, screenSize.cy, &plain);
    if (!image) {
        return false;
    }
    ErrorTrap trap(display, ErrorTrap::Sync::kNone);
    if (!image->Get(root, 0, 0) || !trap.Succeeded()) {
        return false;
    }
    m_useShm = false;
    m_image = std::move(image);
    return true;
}

bool ScreenCapture::Read(const RECT& screenRect, SIZE screenSize, gdi::Surface& destination,
                         POINT at) {
    // The part of the screen that is there and lands inside the destination.
    RECT from = ce::Intersect(screenRect, RECT{0, 0, screenSize.cx, screenSize.cy});
    const RECT to = ce::Intersect(ce::Offset(from, at.x - screenRect.left, at.y - screenRect.top),
                                  destination.Bounds());
    if (ce::IsEmpty(to)) {
        return true;
    }
    from = ce::Offset(to, screenRect.left - at.x, screenRect.top - at.y);

    std::lock_guard lock(m_mutex);
    if (!ReadRoot(screenSize)) {
        return false;
    }
    const XImage& image = m_image->Image();
    const CaptureFormat format{image.bits_per_pixel, image.red_mask, image.green_mask,
                               image.blue_mask};
    if (!CanConvert(format)) {
        return false;
    }
    ConvertToRgb565(image.data, image.bytes_per_line, format, from, destination,
                    POINT{to.left, to.top});
    return true;
}

}  // namespace ce::drivers::x11

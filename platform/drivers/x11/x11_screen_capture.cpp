#include "drivers/x11/x11_screen_capture.h"

#include <cstddef>
#include <cstdint>

#include "drivers/screen_image.h"
#include "drivers/x11/x11_shm.h"

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
    std::lock_guard lock(m_mutex);
    if (!ReadRoot(screenSize)) {
        return false;
    }
    // The server gives the pixels in this client's byte order; TrueColor masks fit 32 bits.
    const XImage& image = m_image->Image();
    const ScreenImage screen{
        reinterpret_cast<const std::byte*>(image.data),
        static_cast<std::size_t>(image.bytes_per_line), image.width, image.height,
        ScreenFormat{image.bits_per_pixel, static_cast<std::uint32_t>(image.red_mask),
                     static_cast<std::uint32_t>(image.green_mask),
                     static_cast<std::uint32_t>(image.blue_mask)}};
    return CopyScreen(screen, screenRect, destination, at);
}

}  // namespace ce::drivers::x11

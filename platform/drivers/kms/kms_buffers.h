// A DRM dumb buffer: memory the display can scan out, made a framebuffer of the card and mapped
// into the process. Everything it holds is given back when it goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "windef.h"

#include "drivers/kms/kms_pixel_format.h"

namespace ce::drivers::kms {

class DumbBuffer {
public:
    // Null with the reason in *error when the card cannot make it.
    static std::unique_ptr<DumbBuffer> Create(int drmFd, SIZE size, ScanoutFormat format,
                                              std::string* error);
    ~DumbBuffer();
    DumbBuffer(const DumbBuffer&) = delete;
    DumbBuffer& operator=(const DumbBuffer&) = delete;

    std::uint32_t FramebufferId() const { return m_framebufferId; }
    std::uint8_t* Pixels() const { return m_pixels; }
    // Bytes from one row to the next, as the card chose it.
    std::size_t Pitch() const { return m_pitch; }

private:
    explicit DumbBuffer(int drmFd) : m_fd(drmFd) {}

    int m_fd;
    std::uint32_t m_handle = 0;
    std::uint32_t m_framebufferId = 0;
    std::uint8_t* m_pixels = nullptr;
    std::size_t m_size = 0;
    std::size_t m_pitch = 0;
};

}  // namespace ce::drivers::kms

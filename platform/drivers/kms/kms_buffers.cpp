#include "drivers/kms/kms_buffers.h"

#include <drm.h>
#include <drm_mode.h>
#include <sys/mman.h>
#include <xf86drm.h>
#include <xf86drmMode.h>

#include <cerrno>
#include <cstring>

namespace ce::drivers::kms {
namespace {

std::string Failure(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

std::unique_ptr<DumbBuffer> DumbBuffer::Create(int drmFd, SIZE size, ScanoutFormat format,
                                               std::string* error) {
    std::unique_ptr<DumbBuffer> buffer(new DumbBuffer(drmFd));
    drm_mode_create_dumb create{};
    create.width = static_cast<std::uint32_t>(size.cx);
    create.height = static_cast<std::uint32_t>(size.cy);
    create.bpp = BitsPerPixelOf(format);
    if (drmIoctl(drmFd, DRM_IOCTL_MODE_CREATE_DUMB, &create) != 0) {
        *error = Failure("cannot create a dumb buffer");
        return nullptr;
    }
    buffer->m_handle = create.handle;
    buffer->m_pitch = create.pitch;
    buffer->m_size = static_cast<std::size_t>(create.size);

    const std::uint32_t handles[4] = {create.handle};
    const std::uint32_t pitches[4] = {create.pitch};
    const std::uint32_t offsets[4] = {0};
    if (drmModeAddFB2(drmFd, create.width, create.height, FourccOf(format), handles, pitches,
                      offsets, &buffer->m_framebufferId, 0) != 0) {
        // Cards older than AddFB2 know a format by its depth and bits per pixel.
        const std::uint8_t depth = format == ScanoutFormat::kRgb565 ? 16 : 24;
        if (drmModeAddFB(drmFd, create.width, create.height, depth,
                         static_cast<std::uint8_t>(create.bpp), create.pitch, create.handle,
                         &buffer->m_framebufferId) != 0) {
            *error = Failure("cannot make a framebuffer of a dumb buffer");
            return nullptr;
        }
    }

    drm_mode_map_dumb map{};
    map.handle = create.handle;
    if (drmIoctl(drmFd, DRM_IOCTL_MODE_MAP_DUMB, &map) != 0) {
        *error = Failure("cannot map a dumb buffer");
        return nullptr;
    }
    void* pixels = mmap(nullptr, buffer->m_size, PROT_READ | PROT_WRITE, MAP_SHARED, drmFd,
                        static_cast<off_t>(map.offset));
    if (pixels == MAP_FAILED) {
        *error = Failure("cannot map a dumb buffer");
        return nullptr;
    }
    buffer->m_pixels = static_cast<std::uint8_t*>(pixels);
    // A new dumb buffer is zeroed by the kernel: it starts black, like the screen.
    return buffer;
}

DumbBuffer::~DumbBuffer() {
    if (m_pixels != nullptr) {
        munmap(m_pixels, m_size);
    }
    if (m_framebufferId != 0) {
        drmModeRmFB(m_fd, m_framebufferId);
    }
    if (m_handle != 0) {
        drm_mode_destroy_dumb destroy{};
        destroy.handle = m_handle;
        drmIoctl(m_fd, DRM_IOCTL_MODE_DESTROY_DUMB, &destroy);
    }
}

}  // namespace ce::drivers::kms

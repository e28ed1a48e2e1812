#include "drivers/kernel/drm_scanout.h"

#include <drm_fourcc.h>
#include <fcntl.h>
#include <linux/dma-buf.h>
#include <unistd.h>
#include <xf86drm.h>
#include <xf86drmMode.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "drivers/kernel/device_error.h"
#include "drivers/kernel/drm_format.h"
#include "drivers/kernel/mapped_memory.h"
#include "drivers/screen_image.h"

namespace ce::drivers::kernel_remote {

struct DrmScanout::ShownFramebuffer {
    std::uint32_t framebufferId = 0;
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

namespace {

template <class T, void (*Free)(T*)>
struct DrmFree {
    void operator()(T* object) const { Free(object); }
};
using DrmResources = std::unique_ptr<drmModeRes, DrmFree<drmModeRes, drmModeFreeResources>>;
using DrmConnector =
    std::unique_ptr<drmModeConnector, DrmFree<drmModeConnector, drmModeFreeConnector>>;
using DrmEncoder = std::unique_ptr<drmModeEncoder, DrmFree<drmModeEncoder, drmModeFreeEncoder>>;
using DrmCrtc = std::unique_ptr<drmModeCrtc, DrmFree<drmModeCrtc, drmModeFreeCrtc>>;
using DrmFramebuffer = std::unique_ptr<drmModeFB2, DrmFree<drmModeFB2, drmModeFreeFB2>>;

// drmModeGetFB2 opens a GEM handle in this process for each buffer of the framebuffer (planes
// may share one); each is closed once, or the buffers would outlive the display's use of them.
class FramebufferHandles {
public:
    FramebufferHandles(int fd, const drmModeFB2& framebuffer) : m_fd(fd) {
        for (const std::uint32_t handle : framebuffer.handles) {
            if (handle != 0 &&
                std::find(m_handles.begin(), m_handles.end(), handle) == m_handles.end()) {
                m_handles.push_back(handle);
            }
        }
    }
    FramebufferHandles(const FramebufferHandles&) = delete;
    FramebufferHandles& operator=(const FramebufferHandles&) = delete;
    ~FramebufferHandles() {
        for (const std::uint32_t handle : m_handles) {
            drmCloseBufferHandle(m_fd, handle);
        }
    }

private:
    int m_fd;
    std::vector<std::uint32_t> m_handles;
};

// Brackets reads of a dma-buf, so that the exporter settles caches and pending rendering first.
class CpuRead {
public:
    explicit CpuRead(int fd) : m_fd(fd) { Sync(DMA_BUF_SYNC_START); }
    CpuRead(const CpuRead&) = delete;
    CpuRead& operator=(const CpuRead&) = delete;
    ~CpuRead() { Sync(DMA_BUF_SYNC_END); }

private:
    // An exporter that has nothing to settle may refuse; the mapping reads the same then.
    void Sync(std::uint64_t when) {
        dma_buf_sync sync{};
        sync.flags = when | DMA_BUF_SYNC_READ;
        drmIoctl(m_fd, DMA_BUF_IOCTL_SYNC, &sync);
    }

    int m_fd;
};

// A display that flips removes the framebuffer it showed; between the CRTC's answer and
// drmModeGetFB2 that may happen a few times in a row, never for long.
constexpr int kLookups = 4;

}  // namespace

std::unique_ptr<DrmScanout> DrmScanout::Open(const std::string& path, std::string* error) {
    // Reading needs no write access: DRM checks privileges per request, not by the open mode.
    ce::kernel::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.IsValid()) {
        *error = DeviceError(path, errno, "reading the screen needs read access to " + path);
        return nullptr;
    }
    // The first to open a card becomes its master, which would keep the display server or the
    // kms driver that starts after Tavrelin from setting a mode: a reader gives it up at once.
    drmDropMaster(fd.Get());
    return std::unique_ptr<DrmScanout>(new DrmScanout(path, std::move(fd)));
}

bool DrmScanout::FindShownFramebuffer(ShownFramebuffer* shown, std::string* error) const {
    const int fd = m_fd.Get();
    const DrmResources resources(drmModeGetResources(fd));
    if (!resources) {
        *error = m_path + ": reading its displays: " + std::strerror(errno);
        return false;
    }
    for (int i = 0; i < resources->count_connectors; ++i) {
        // The connector's current state: probing it again would read the panel's EDID.
        const DrmConnector connector(drmModeGetConnectorCurrent(fd, resources->connectors[i]));
        if (!connector || connector->connection != DRM_MODE_CONNECTED ||
            connector->encoder_id == 0) {
            continue;
        }
        const DrmEncoder encoder(drmModeGetEncoder(fd, connector->encoder_id));
        if (!encoder || encoder->crtc_id == 0) {
            continue;
        }
        // The CRTC's framebuffer is the one its primary plane scans out, at the CRTC's position.
        const DrmCrtc crtc(drmModeGetCrtc(fd, encoder->crtc_id));
        if (!crtc || crtc->mode_valid == 0 || crtc->buffer_id == 0) {
            continue;
        }
        *shown = ShownFramebuffer{crtc->buffer_id, crtc->x, crtc->y, crtc->width, crtc->height};
        return true;
    }
    *error = m_path + ": no connected display shows a framebuffer";
    return false;
}

bool DrmScanout::Read(const RECT& screenRect, gdi::Surface& destination, POINT at,
                      std::string* error) {
    std::lock_guard lock(m_mutex);
    for (int lookup = 0; lookup < kLookups; ++lookup) {
        ShownFramebuffer shown;
        if (!FindShownFramebuffer(&shown, error)) {
            return false;
        }
        const DrmFramebuffer framebuffer(drmModeGetFB2(m_fd.Get(), shown.framebufferId));
        if (!framebuffer) {
            if (errno == ENOENT) {
                continue;
            }
            *error = m_path + ": reading the scanout's framebuffer: " + std::strerror(errno);
            return false;
        }
        const FramebufferHandles handles(m_fd.Get(), *framebuffer);
        if (framebuffer->handles[0] == 0) {
            *error = "reading the screen through " + m_path +
                     " needs CAP_SYS_ADMIN: the kernel shows another program's framebuffer only "
                     "to a privileged process";
            return false;
        }
        const DrmScanoutLayout layout{framebuffer->pixel_format,
                                      (framebuffer->flags & DRM_MODE_FB_MODIFIERS) != 0
                                          ? framebuffer->modifier
                                          : DRM_FORMAT_MOD_LINEAR,
                                      framebuffer->width,
                                      framebuffer->height,
                                      framebuffer->pitches[0],
                                      framebuffer->offsets[0],
                                      shown.x,
                                      shown.y,
                                      shown.width,
                                      shown.height};
        return ReadLayout(layout, framebuffer->handles[0], screenRect, destination, at, error);
    }
    *error = m_path + ": the scanout changed at every look";
    return false;
}

bool DrmScanout::ReadLayout(const DrmScanoutLayout& layout, std::uint32_t handle,
                            const RECT& screenRect, gdi::Surface& destination, POINT at,
                            std::string* error) {
    int exported = -1;
    if (drmPrimeHandleToFD(m_fd.Get(), handle, DRM_CLOEXEC, &exported) != 0) {
        *error = m_path + ": exporting the scanout's buffer: " + std::strerror(errno);
        return false;
    }
    const ce::kernel::UniqueFd buffer(exported);
    const off_t size = ::lseek(buffer.Get(), 0, SEEK_END);
    if (size <= 0 || static_cast<std::uint64_t>(size) > SIZE_MAX) {
        *error = m_path + ": the scanout's buffer has no size it can be mapped with";
        return false;
    }
    const MappedMemory mapping(buffer.Get(), static_cast<std::size_t>(size));
    if (!mapping.IsValid()) {
        *error = m_path + ": mapping the scanout's buffer: " + std::strerror(errno);
        return false;
    }
    const std::optional<ScreenImage> image = DrmScreenImage(layout, mapping.Bytes(), error);
    if (!image) {
        *error = m_path + ": " + *error;
        return false;
    }
    const CpuRead reading(buffer.Get());
    return CopyScreen(*image, screenRect, destination, at);
}

}  // namespace ce::drivers::kernel_remote

// Reading the scanout of a DRM card: the connected connector's CRTC, the framebuffer its primary
// plane shows (drmModeGetFB2), exported as a dma-buf and mapped for the length of one read.
//
// Another program's framebuffer is reachable only with privilege: drmModeGetFB2 gives its buffer
// handles to the display's master or a process with CAP_SYS_ADMIN, and zeros to anyone else.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "drivers/kernel/scanout.h"
#include "kernel/unique_fd.h"

namespace ce::drivers::kernel_remote {

struct DrmScanoutLayout;

class DrmScanout final : public Scanout {
public:
    // Opens the card; null with the reason in *error when it cannot.
    static std::unique_ptr<DrmScanout> Open(const std::string& path, std::string* error);

    bool Read(const RECT& screenRect, gdi::Surface& destination, POINT at,
              std::string* error) override;

private:
    struct ShownFramebuffer;

    DrmScanout(std::string path, ce::kernel::UniqueFd fd)
        : m_path(std::move(path)), m_fd(std::move(fd)) {}
    bool FindShownFramebuffer(ShownFramebuffer* shown, std::string* error) const;
    // Exports the buffer that holds the layout's pixels, maps it and copies from it.
    bool ReadLayout(const DrmScanoutLayout& layout, std::uint32_t handle, const RECT& screenRect,
                    gdi::Surface& destination, POINT at, std::string* error);

    const std::string m_path;
    const ce::kernel::UniqueFd m_fd;
    std::mutex m_mutex;
};

}  // namespace ce::drivers::kernel_remote

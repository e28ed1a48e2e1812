// Reading a framebuffer device (/dev/fbN): its geometry, pitch, colour bitfields and panning
// offset are asked again at each read and its memory mapped for the length of it, so a mode
// change or a pan between reads is followed.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "drivers/kernel/scanout.h"
#include "kernel/unique_fd.h"

namespace ce::drivers::kernel_remote {

class FbdevScanout final : public Scanout {
public:
    // Opens the device; null with the reason in *error when it cannot.
    static std::unique_ptr<FbdevScanout> Open(const std::string& path, std::string* error);

    bool Read(const RECT& screenRect, gdi::Surface& destination, POINT at,
              std::string* error) override;

private:
    FbdevScanout(std::string path, ce::kernel::UniqueFd fd)
        : m_path(std::move(path)), m_fd(std::move(fd)) {}

    const std::string m_path;
    const ce::kernel::UniqueFd m_fd;
    std::mutex m_mutex;
};

}  // namespace ce::drivers::kernel_remote

#include "drivers/kernel/fbdev_scanout.h"

#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "drivers/kernel/device_error.h"
#include "drivers/kernel/fbdev_format.h"
#include "drivers/kernel/mapped_memory.h"
#include "drivers/screen_image.h"

namespace ce::drivers::kernel_remote {

std::unique_ptr<FbdevScanout> FbdevScanout::Open(const std::string& path, std::string* error) {
    ce::kernel::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.IsValid()) {
        *error = DeviceError(path, errno, "reading the screen needs read access to " + path);
        return nullptr;
    }
    return std::unique_ptr<FbdevScanout>(new FbdevScanout(path, std::move(fd)));
}

bool FbdevScanout::Read(const RECT& screenRect, gdi::Surface& destination, POINT at,
                        std::string* error) {
    std::lock_guard lock(m_mutex);
    fb_var_screeninfo variable{};
    fb_fix_screeninfo fixed{};
    if (::ioctl(m_fd.Get(), FBIOGET_VSCREENINFO, &variable) != 0 ||
        ::ioctl(m_fd.Get(), FBIOGET_FSCREENINFO, &fixed) != 0) {
        *error = m_path + ": not a framebuffer device (" + std::strerror(errno) + ")";
        return false;
    }
    // The mapping starts at the page that holds the memory's first byte.
    const auto page = static_cast<unsigned long>(::sysconf(_SC_PAGESIZE));
    const std::size_t lead = fixed.smem_start % page;
    const MappedMemory mapping(m_fd.Get(), lead + fixed.smem_len);
    if (!mapping.IsValid()) {
        *error = m_path + ": mapping its memory: " + std::strerror(errno);
        return false;
    }
    const std::optional<ScreenImage> image =
        FbdevScreenImage(variable, fixed, mapping.Bytes().subspan(lead), error);
    if (!image) {
        *error = m_path + ": " + *error;
        return false;
    }
    return CopyScreen(*image, screenRect, destination, at);
}

}  // namespace ce::drivers::kernel_remote

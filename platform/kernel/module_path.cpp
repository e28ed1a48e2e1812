// GetModuleFileNameW: the running program's path, in the device's form.
#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "kernel/api_boundary.h"
#include "kernel/device_path.h"

namespace {

// The host path of the running program; empty when it cannot be read.
std::string ProgramPath() {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            return path;
        }
        path.resize(path.size() * 2);  // the link may have been cut short
    }
}

}  // namespace

// The module argument is ignored: the layer has no loadable modules, so every module is the
// program itself.
DWORD GetModuleFileNameW(HMODULE, LPWSTR fileName, DWORD size) {
    return ce::kernel::GuardedCall<DWORD>(0, [&]() -> DWORD {
        if (fileName == nullptr && size != 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        const std::string hostPath = ProgramPath();
        if (hostPath.empty()) {
            ce::kernel::SetLastErrorFromErrno(errno);
            return 0;
        }
        const std::u16string devicePath = ce::kernel::HostPathToDevicePath(hostPath);
        if (size == 0) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        // A path that does not fit is cut to size - 1 characters and still terminated.
        if (devicePath.size() >= size) {
            std::copy_n(devicePath.begin(), size - 1, fileName);
            fileName[size - 1] = u'\0';
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return size;
        }
        std::copy(devicePath.begin(), devicePath.end(), fileName);
        fileName[devicePath.size()] = u'\0';
        return static_cast<DWORD>(devicePath.size());
    });
}

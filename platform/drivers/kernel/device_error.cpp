#include "drivers/kernel/device_error.h"

#include <cerrno>
#include <cstring>

namespace ce::drivers::kernel_remote {

std::string DeviceError(const std::string& path, int error, const std::string& need) {
    std::string text = path + ": " + std::strerror(error);
    if (error == EACCES || error == EPERM) {
        text += ": " + need;
    }
    return text;
}

}  // namespace ce::drivers::kernel_remote

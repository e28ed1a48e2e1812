#include "kernel/device_path.h"

#include <algorithm>

#include "kernel/utf.h"

namespace ce::kernel {

std::optional<std::string> DevicePathToHostPath(std::u16string_view devicePath) {
    auto hostPath = Utf16ToUtf8Strict(devicePath);
    if (hostPath) {
        std::replace(hostPath->begin(), hostPath->end(), '\\', '/');
    }
    return hostPath;
}

std::u16string HostPathToDevicePath(std::string_view hostPath) {
    auto devicePath = Utf8ToUtf16Lossy(hostPath);
    std::replace(devicePath.begin(), devicePath.end(), u'/', u'\\');
    return devicePath;
}

}  // namespace ce::kernel

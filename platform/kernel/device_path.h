// The device's paths ("\dir\file", rooted at "\") against the host's ("/dir/file").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ce::kernel {

// The host path of a device path; "/" is taken as a separator too. Nothing for ill-formed
// UTF-16, which names no host file.
std::optional<std::string> DevicePathToHostPath(std::u16string_view devicePath);

// The device path of a host path. Bytes of the host name that are not UTF-8 become U+FFFD.
std::u16string HostPathToDevicePath(std::string_view hostPath);

}  // namespace ce::kernel

// The text of a device that failed, in the form the programs print: the device, the system's
// reason, and for a refused access what the program needs to be given.
#pragma once

#include <string>

namespace ce::drivers::kernel_remote {

// "PATH: REASON", and ": NEED" when the reason is a missing permission (EACCES, EPERM).
std::string DeviceError(const std::string& path, int error, const std::string& need);

}  // namespace ce::drivers::kernel_remote

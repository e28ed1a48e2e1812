// Translation of host errors into the device's error codes.
#pragma once

#include <string_view>

#include "winbase.h"

namespace ce::kernel {

// The device's error code for an errno value.
DWORD ErrorFromErrno(int error);

// Like ErrorFromErrno, but a missing entry becomes ERROR_PATH_NOT_FOUND when a directory on the
// way to it is missing, as the device tells the two apart.
DWORD PathErrorFromErrno(int error, std::string_view hostPath);

// Sets the calling thread's last error from an errno value.
void SetLastErrorFromErrno(int error);

}  // namespace ce::kernel

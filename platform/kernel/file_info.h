// What the device reports about a file: attributes, times and size.
#pragma once

#include <cstdint>

#include "winbase.h"

namespace ce::kernel {

struct FileInfo {
    DWORD attributes = 0;
    FILETIME creationTime{};
    FILETIME lastAccessTime{};
    FILETIME lastWriteTime{};
    std::uint64_t size = 0;
};

// Describes `path` relative to the directory `directoryFd` (AT_FDCWD for the current one), or the
// open file `directoryFd` itself when `path` is empty. Follows symbolic links; a dangling link is
// described itself. Returns an errno value, 0 on success.
int QueryFileInfo(int directoryFd, const char* path, FileInfo* info);

}  // namespace ce::kernel

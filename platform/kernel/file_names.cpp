// Calls that work on a file's name rather than on an open file: renaming and deleting.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

#include "kernel/api_boundary.h"
#include "kernel/device_path.h"
#include "kernel/unique_fd.h"

namespace ce::kernel {

namespace {

constexpr DWORD kSupportedMoveFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

std::string ParentFolder(const std::string& hostPath) {
    const auto slash = hostPath.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : hostPath.substr(0, slash);
}

// A rename is on the disk only once the folder holding the new entry is.
int FlushFolderOf(const std::string& hostPath) {
    UniqueFd folder(::open(ParentFolder(hostPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsValid()) {
        return errno;
    }
    return fsync(folder.Get()) == 0 ? 0 : errno;
}

}  // namespace

}  // namespace ce::kernel

using ce::kernel::GuardedCall;

BOOL MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags) {
    return GuardedCall<BOOL>(FALSE, [&] {
        if (existingFileName == nullptr || newFileName == nullptr ||
            (flags & ~ce::kernel::kSupportedMoveFlags) != 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const auto from = ce::kernel::DevicePathToHostPath(existingFileName);
        const auto to = ce::kernel::DevicePathToHostPath(newFileName);
        if (!from || !to) {
            SetLastError(ERROR_INVALID_NAME);
            return FALSE;
        }
        // rename() replaces silently; the device keeps an existing target unless asked not to.
        const unsigned renameFlags =
            (flags & MOVEFILE_REPLACE_EXISTING) != 0 ? 0u : static_cast<unsigned>(RENAME_NOREPLACE);
        if (renameat2(AT_FDCWD, from->c_str(), AT_FDCWD, to->c_str(), renameFlags) != 0) {
            const int error = errno;
            SetLastError(error == EEXIST ? ERROR_ALREADY_EXISTS
                                         : ce::kernel::PathErrorFromErrno(error, *from));
            return FALSE;
        }
        if ((flags & MOVEFILE_WRITE_THROUGH) != 0) {
            if (const int error = ce::kernel::FlushFolderOf(*to); error != 0) {
                ce::kernel::SetLastErrorFromErrno(error);
                return FALSE;
            }
        }
        return TRUE;
    });
}

BOOL DeleteFileW(LPCWSTR fileName) {
    return GuardedCall<BOOL>(FALSE, [&] {
        if (fileName == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const auto path = ce::kernel::DevicePathToHostPath(fileName);
        if (!path) {
            SetLastError(ERROR_INVALID_NAME);
            return FALSE;
        }
        // unlink() refuses a folder (EISDIR), which the device reports as a denied access.
        if (unlink(path->c_str()) != 0) {
            SetLastError(ce::kernel::PathErrorFromErrno(errno, *path));
            return FALSE;
        }
        return TRUE;
    });
}

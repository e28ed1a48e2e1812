// GetDiskFreeSpaceExW over statvfs.
#include <errno.h>
#include <sys/statvfs.h>

#include <cstdint>

#include "kernel/api_boundary.h"
#include "kernel/device_path.h"

namespace {

void Report(PULARGE_INTEGER target, std::uint64_t bytes) {
    if (target != nullptr) {
        target->QuadPart = bytes;
    }
}

}  // namespace

BOOL GetDiskFreeSpaceExW(LPCWSTR directoryName, PULARGE_INTEGER freeBytesAvailableToCaller,
                         PULARGE_INTEGER totalNumberOfBytes,
                         PULARGE_INTEGER totalNumberOfFreeBytes) {
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&] {
        // No folder means the disk of the root, the device's only one.
        const auto path =
            ce::kernel::DevicePathToHostPath(directoryName != nullptr ? directoryName : u"\\");
        if (!path) {
            SetLastError(ERROR_INVALID_NAME);
            return FALSE;
        }
        struct statvfs disk {};
        if (statvfs(path->c_str(), &disk) != 0) {
            // What is asked for is a folder, so a missing entry is a missing path.
            SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND
                                         : ce::kernel::ErrorFromErrno(errno));
            return FALSE;
        }
        const std::uint64_t unit = disk.f_frsize != 0 ? disk.f_frsize : disk.f_bsize;
        // f_bavail leaves out the blocks kept for the superuser, as a quota would.
        Report(freeBytesAvailableToCaller, disk.f_bavail * unit);
        Report(totalNumberOfBytes, disk.f_blocks * unit);
        Report(totalNumberOfFreeBytes, disk.f_bfree * unit);
        return TRUE;
    });
}

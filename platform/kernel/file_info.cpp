#include "kernel/file_info.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "kernel/file_time.h"

namespace ce::kernel {

namespace {

FILETIME ToFileTime(const statx_timestamp& stamp) {
    return FileTimeFromUnixTime(stamp.tv_sec, stamp.tv_nsec);
}

}  // namespace

int QueryFileInfo(int directoryFd, const char* path, FileInfo* info) {
    constexpr unsigned kWanted = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME |
                                 STATX_CTIME | STATX_BTIME;
    const int flags = *path == '\0' ? AT_EMPTY_PATH : 0;
    struct statx status {};
    if (statx(directoryFd, path, flags, kWanted, &status) != 0) {
        if (errno != ENOENT || *path == '\0' ||
            statx(directoryFd, path, AT_SYMLINK_NOFOLLOW, kWanted, &status) != 0) {
            return errno;
        }
    }
    const bool isDirectory = S_ISDIR(status.stx_mode);
    info->attributes = 0;
    if (isDirectory) {
        info->attributes |= FILE_ATTRIBUTE_DIRECTORY;
    }
    // Files the layer creates read-only get mode 0444; no write bit at all reads back as such.
    if ((status.stx_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        info->attributes |= FILE_ATTRIBUTE_READONLY;
    }
    if (info->attributes == 0) {
        info->attributes = FILE_ATTRIBUTE_NORMAL;
    }
    // The creation time is the birth time where the file system keeps one, else the last change.
    info->creationTime =
        ToFileTime((status.stx_mask & STATX_BTIME) != 0 ? status.stx_btime : status.stx_ctime);
    info->lastAccessTime = ToFileTime(status.stx_atime);
    info->lastWriteTime = ToFileTime(status.stx_mtime);
    info->size = isDirectory ? 0 : status.stx_size;
    return 0;
}

}  // namespace ce::kernel

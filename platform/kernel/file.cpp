// Files of the device API over host descriptors. Reads and writes are synchronous.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <limits>
#include <string>

#include "kernel/api_boundary.h"
#include "kernel/device_path.h"
#include "kernel/file_info.h"
#include "kernel/file_object.h"

namespace ce::kernel {

namespace {

struct OpenResult {
    UniqueFd fd;
    bool existed = false;
    int error = 0;
};

OpenResult OpenOnce(const std::string& path, int flags, mode_t mode) {
    OpenResult result;
    result.fd = UniqueFd(::open(path.c_str(), flags | O_CLOEXEC, mode));
    if (!result.fd.IsValid()) {
        result.error = errno;
    }
    return result;
}

// Opens following the device's creation dispositions. CREATE_ALWAYS and OPEN_ALWAYS have to tell
// whether the file was there; trying "exclusive create" and "open existing" in turn answers that
// without a race, retrying when another process creates or removes the file in between.
OpenResult OpenWithDisposition(const std::string& path, int accessFlags, DWORD disposition,
                               mode_t mode) {
    switch (disposition) {
        case CREATE_NEW:
            return OpenOnce(path, accessFlags | O_CREAT | O_EXCL, mode);
        case OPEN_EXISTING:
            return OpenOnce(path, accessFlags, mode);
        case TRUNCATE_EXISTING:
            return OpenOnce(path, accessFlags | O_TRUNC, mode);
        case CREATE_ALWAYS:
        case OPEN_ALWAYS: {
            const int existingFlags = disposition == CREATE_ALWAYS ? O_TRUNC : 0;
            for (int attempt = 0; attempt < 3; ++attempt) {
                OpenResult created = OpenOnce(path, accessFlags | O_CREAT | O_EXCL, mode);
                if (created.error != EEXIST) {
                    return created;
                }
                OpenResult opened = OpenOnce(path, accessFlags | existingFlags, mode);
                if (opened.error != ENOENT) {
                    opened.existed = true;
                    return opened;
                }
            }
            // A dangling symbolic link: exclusive creation refuses it and opening finds nothing.
            return OpenOnce(path, accessFlags | O_CREAT | existingFlags, mode);
        }
        default:
            return OpenResult{UniqueFd(), false, EINVAL};
    }
}

// The low part of a new file position as SetFilePointer returns it, the high part through the
// caller's pointer. A valid position whose low part looks like the failure value leaves last
// error 0 so that callers can tell the two apart.
DWORD ReportPosition(std::uint64_t position, LONG* high) {
    if (high != nullptr) {
        *high = static_cast<LONG>(position >> 32);
    }
    const auto low = static_cast<DWORD>(position);
    if (low == INVALID_SET_FILE_POINTER) {
        SetLastError(ERROR_SUCCESS);
    }
    return low;
}

int AccessFlags(DWORD desiredAccess) {
    const bool read = (desiredAccess & GENERIC_READ) != 0;
    const bool write = (desiredAccess & GENERIC_WRITE) != 0;
    if (read && write) {
        return O_RDWR;
    }
    return write ? O_WRONLY : O_RDONLY;
}

// A read or write on a descriptor opened without that access fails with EBADF; the device calls
// that a denied access.
DWORD TransferError(int error) {
    return error == EBADF ? ERROR_ACCESS_DENIED : ErrorFromErrno(error);
}

}  // namespace

}  // namespace ce::kernel

using ce::kernel::FileObject;
using ce::kernel::FindHandleOrFail;
using ce::kernel::GuardedCall;

// Share modes are accepted and not enforced: the host has no mandatory sharing, and the programs
// open each file from one place at a time.
HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE) {
    return GuardedCall<HANDLE>(INVALID_HANDLE_VALUE, [&]() -> HANDLE {
        if (fileName == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        if (creationDisposition == TRUNCATE_EXISTING && (desiredAccess & GENERIC_WRITE) == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        const auto path = ce::kernel::DevicePathToHostPath(fileName);
        if (!path) {
            SetLastError(ERROR_INVALID_NAME);
            return INVALID_HANDLE_VALUE;
        }
        const mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
        auto opened = ce::kernel::OpenWithDisposition(*path, ce::kernel::AccessFlags(desiredAccess),
                                                      creationDisposition, mode);
        if (!opened.fd.IsValid()) {
            SetLastError(ce::kernel::PathErrorFromErrno(opened.error, *path));
            return INVALID_HANDLE_VALUE;
        }
        struct stat status {};
        if (fstat(opened.fd.Get(), &status) != 0) {
            ce::kernel::SetLastErrorFromErrno(errno);
            return INVALID_HANDLE_VALUE;
        }
        if (S_ISDIR(status.st_mode)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        HANDLE handle =
            ce::kernel::Handles().Add(std::make_shared<FileObject>(std::move(opened.fd)));
        SetLastError(opened.existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
        return handle;
    });
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped) {
    return GuardedCall<BOOL>(FALSE, [&] {
        if (bytesRead != nullptr) {
            *bytesRead = 0;
        }
        const auto object = FindHandleOrFail<FileObject>(file);
        if (!object) {
            return FALSE;
        }
        if (overlapped != nullptr || (buffer == nullptr && bytesToRead != 0)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        // Like the device, read until the count or the end of the file.
        auto* bytes = static_cast<unsigned char*>(buffer);
        DWORD done = 0;
        while (done < bytesToRead) {
            const ssize_t count = ::read(object->Fd(), bytes + done, bytesToRead - done);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0) {
                SetLastError(ce::kernel::TransferError(errno));
                if (bytesRead != nullptr) {
                    *bytesRead = done;
                }
                return FALSE;
            }
            if (count == 0) {
                break;
            }
            done += static_cast<DWORD>(count);
        }
        if (bytesRead != nullptr) {
            *bytesRead = done;
        }
        return TRUE;
    });
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped) {
    return GuardedCall<BOOL>(FALSE, [&] {
        if (bytesWritten != nullptr) {
            *bytesWritten = 0;
        }
        const auto object = FindHandleOrFail<FileObject>(file);
        if (!object) {
            return FALSE;
        }
        if (overlapped != nullptr || (buffer == nullptr && bytesToWrite != 0)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        DWORD done = 0;
        BOOL succeeded = TRUE;
        while (done < bytesToWrite) {
            const ssize_t count = ::write(object->Fd(), bytes + done, bytesToWrite - done);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0) {
                SetLastError(ce::kernel::TransferError(errno));
                succeeded = FALSE;
                break;
            }
            if (count == 0) {
                break;
            }
            done += static_cast<DWORD>(count);
        }
        // What reached the file is reported even when the rest failed (a full disk).
        if (bytesWritten != nullptr) {
            *bytesWritten = done;
        }
        return succeeded;
    });
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
    return GuardedCall<DWORD>(INVALID_FILE_SIZE, [&] {
        const auto object = FindHandleOrFail<FileObject>(file);
        if (!object) {
            return INVALID_FILE_SIZE;
        }
        struct stat status {};
        if (fstat(object->Fd(), &status) != 0) {
            ce::kernel::SetLastErrorFromErrno(errno);
            return INVALID_FILE_SIZE;
        }
        const auto size = static_cast<std::uint64_t>(status.st_size);
        if (fileSizeHigh != nullptr) {
            *fileSizeHigh = static_cast<DWORD>(size >> 32);
        }
        const auto low = static_cast<DWORD>(size);
        // A size whose low part looks like the failure value is told apart by a last error of 0.
        if (low == INVALID_FILE_SIZE) {
            SetLastError(ERROR_SUCCESS);
        }
        return low;
    });
}

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, LPLONG distanceToMoveHigh,
                     DWORD moveMethod) {
    return GuardedCall<DWORD>(INVALID_SET_FILE_POINTER, [&] {
        const auto object = FindHandleOrFail<FileObject>(file);
        if (!object) {
            return INVALID_SET_FILE_POINTER;
        }
        // Without a high part the distance is a signed 32-bit value; with one, the two parts form
        // a signed 64-bit value.
        std::int64_t distance = distanceToMove;
        if (distanceToMoveHigh != nullptr) {
            distance = static_cast<std::int64_t>(
                (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceToMoveHigh))
                 << 32) |
                static_cast<std::uint32_t>(distanceToMove));
        }
        // A forward move that reports its result in 64 bits cannot fail either check below, so
        // one seek does it (a download moves to the end before every chunk it appends).
        if (distance >= 0 && (distanceToMoveHigh != nullptr || moveMethod == FILE_BEGIN) &&
            moveMethod <= FILE_END) {
            const int whence = moveMethod == FILE_BEGIN     ? SEEK_SET
                               : moveMethod == FILE_CURRENT ? SEEK_CUR
                                                            : SEEK_END;
            const off_t position = lseek(object->Fd(), distance, whence);
            if (position < 0) {
                ce::kernel::SetLastErrorFromErrno(errno);
                return INVALID_SET_FILE_POINTER;
            }
            return ce::kernel::ReportPosition(static_cast<std::uint64_t>(position),
                                              distanceToMoveHigh);
        }
        std::int64_t origin = 0;
        if (moveMethod == FILE_CURRENT) {
            origin = lseek(object->Fd(), 0, SEEK_CUR);
        } else if (moveMethod == FILE_END) {
            struct stat status {};
            origin = fstat(object->Fd(), &status) == 0 ? status.st_size : -1;
        } else if (moveMethod != FILE_BEGIN) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_SET_FILE_POINTER;
        }
        if (origin < 0) {
            ce::kernel::SetLastErrorFromErrno(errno);
            return INVALID_SET_FILE_POINTER;
        }
        // The position is not moved when the target is negative, or when it does not fit the
        // 32 bits a caller without a high part can receive.
        std::int64_t target = 0;
        if (__builtin_add_overflow(origin, distance, &target) || target < 0 ||
            (distanceToMoveHigh == nullptr && target > std::numeric_limits<std::uint32_t>::max())) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_SET_FILE_POINTER;
        }
        const off_t position = lseek(object->Fd(), target, SEEK_SET);
        if (position < 0) {
            ce::kernel::SetLastErrorFromErrno(errno);
            return INVALID_SET_FILE_POINTER;
        }
        return ce::kernel::ReportPosition(static_cast<std::uint64_t>(position), distanceToMoveHigh);
    });
}

BOOL GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime,
                 LPFILETIME lastWriteTime) {
    return GuardedCall<BOOL>(FALSE, [&] {
        const auto object = FindHandleOrFail<FileObject>(file);
        if (!object) {
            return FALSE;
        }
        ce::kernel::FileInfo info;
        if (const int error = ce::kernel::QueryFileInfo(object->Fd(), "", &info); error != 0) {
            ce::kernel::SetLastErrorFromErrno(error);
            return FALSE;
        }
        if (creationTime != nullptr) {
            *creationTime = info.creationTime;
        }
        if (lastAccessTime != nullptr) {
            *lastAccessTime = info.lastAccessTime;
        }
        if (lastWriteTime != nullptr) {
            *lastWriteTime = info.lastWriteTime;
        }
        return TRUE;
    });
}

BOOL FlushFileBuffers(HANDLE file) {
    return GuardedCall<BOOL>(FALSE, [&] {
        const auto object = FindHandleOrFail<FileObject>(file);
        if (!object) {
            return FALSE;
        }
        if (fsync(object->Fd()) != 0) {
            ce::kernel::SetLastErrorFromErrno(errno);
            return FALSE;
        }
        return TRUE;
    });
}

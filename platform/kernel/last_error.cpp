#include "kernel/last_error.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace {

thread_local DWORD g_lastError = ERROR_SUCCESS;  // one per thread, as on the device

}  // namespace

DWORD GetLastError() {
    return g_lastError;
}

void SetLastError(DWORD error) {
    g_lastError = error;
}

namespace ce::kernel {

DWORD ErrorFromErrno(int error) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return ERROR_DISK_FULL;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case ETXTBSY:
        case EBUSY:
            return ERROR_SHARING_VIOLATION;
        case ELOOP:
            return ERROR_INVALID_NAME;
        default:
            return ERROR_INVALID_PARAMETER;
    }
}

DWORD PathErrorFromErrno(int error, std::string_view hostPath) {
    if (error != ENOENT) {
        return ErrorFromErrno(error);
    }
    if (hostPath.empty()) {
        return ERROR_PATH_NOT_FOUND;
    }
    const auto slash = hostPath.find_last_of('/');
    if (slash == std::string_view::npos) {
        return ERROR_FILE_NOT_FOUND;  // the current directory holds it
    }
    const std::string parent(slash == 0 ? std::string_view("/") : hostPath.substr(0, slash));
    struct stat status {};
    if (stat(parent.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return ERROR_PATH_NOT_FOUND;
    }
    return ERROR_FILE_NOT_FOUND;
}

void SetLastErrorFromErrno(int error) {
    SetLastError(ErrorFromErrno(error));
}

}  // namespace ce::kernel

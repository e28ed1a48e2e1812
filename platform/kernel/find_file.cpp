// FindFirstFileW over the host's directories. Entries "." and ".." are never found, nor entries
// whose names the device could not hold: longer than MAX_PATH, or not UTF-8 on the host.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "kernel/api_boundary.h"
#include "kernel/device_path.h"
#include "kernel/file_info.h"
#include "kernel/handle_table.h"
#include "kernel/utf.h"
#include "kernel/wildcard.h"

namespace ce::kernel {

namespace {

// FindNextFileW is not offered, so a search ends with its first result and holds no state; the
// handle exists for FindClose.
class FindObject final : public KernelObject {};

struct DirectoryCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};
using DirectoryStream = std::unique_ptr<DIR, DirectoryCloser>;

bool IsDotEntry(std::string_view name) {
    return name == "." || name == "..";
}

void Fill(const FileInfo& info, std::u16string_view name, LPWIN32_FIND_DATAW findData) {
    *findData = WIN32_FIND_DATAW{};
    findData->dwFileAttributes = info.attributes;
    findData->ftCreationTime = info.creationTime;
    findData->ftLastAccessTime = info.lastAccessTime;
    findData->ftLastWriteTime = info.lastWriteTime;
    findData->nFileSizeHigh = static_cast<DWORD>(info.size >> 32);
    findData->nFileSizeLow = static_cast<DWORD>(info.size);
    std::copy(name.begin(), name.end(), findData->cFileName);
    findData->cFileName[name.size()] = u'\0';
}

// The device form of a host entry name, or nothing when the device could not hold it.
std::optional<std::u16string> DeviceName(std::string_view hostName) {
    auto name = Utf8ToUtf16Strict(hostName);
    if (!name || name->size() >= MAX_PATH) {
        return std::nullopt;
    }
    return name;
}

// Finds the entry a pattern without wildcards names. Returns a Win32 error, 0 when found.
DWORD FindExact(const std::string& path, std::string_view entryName, LPWIN32_FIND_DATAW findData) {
    const auto name = DeviceName(entryName);
    if (IsDotEntry(entryName) || !name) {
        return ERROR_FILE_NOT_FOUND;
    }
    FileInfo info;
    if (const int error = QueryFileInfo(AT_FDCWD, path.c_str(), &info); error != 0) {
        return PathErrorFromErrno(error, path);
    }
    Fill(info, *name, findData);
    return ERROR_SUCCESS;
}

// Finds the first entry of `directory` that matches `pattern`. Returns a Win32 error, 0 when
// found.
DWORD FindMatching(const std::string& directory, std::u16string_view pattern,
                   LPWIN32_FIND_DATAW findData) {
    const DirectoryStream stream(opendir(directory.c_str()));
    if (!stream) {
        return errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno);
    }
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(stream.get());
        if (entry == nullptr) {
            return errno == 0 ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(errno);
        }
        if (IsDotEntry(entry->d_name)) {
            continue;
        }
        const auto name = DeviceName(entry->d_name);
        if (!name || !MatchesWildcard(*name, pattern)) {
            continue;
        }
        FileInfo info;
        if (QueryFileInfo(dirfd(stream.get()), entry->d_name, &info) != 0) {
            continue;  // removed since the directory was read
        }
        Fill(info, *name, findData);
        return ERROR_SUCCESS;
    }
}

}  // namespace

}  // namespace ce::kernel

HANDLE FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData) {
    using namespace ce::kernel;
    return GuardedCall<HANDLE>(INVALID_HANDLE_VALUE, [&]() -> HANDLE {
        if (fileName == nullptr || findData == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        const auto path = DevicePathToHostPath(fileName);
        if (!path) {
            SetLastError(ERROR_INVALID_NAME);
            return INVALID_HANDLE_VALUE;
        }
        const auto slash = path->find_last_of('/');
        const std::string directory = slash == std::string::npos ? "."
                                      : slash == 0               ? "/"
                                                                 : path->substr(0, slash);
        const std::string entryName = slash == std::string::npos ? *path : path->substr(slash + 1);

        DWORD error = ERROR_FILE_NOT_FOUND;
        if (!entryName.empty()) {
            const std::u16string pattern = Utf8ToUtf16Lossy(entryName);
            error = HasWildcards(pattern) ? FindMatching(directory, pattern, findData)
                                          : FindExact(*path, entryName, findData);
        }
        if (error != ERROR_SUCCESS) {
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
        return Handles().Add(std::make_shared<FindObject>());
    });
}

BOOL FindClose(HANDLE findFile) {
    using namespace ce::kernel;
    return GuardedCall<BOOL>(FALSE, [&] {
        if (!Handles().FindAs<FindObject>(findFile) || !Handles().Remove(findFile)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        return TRUE;
    });
}

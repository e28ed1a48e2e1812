#include "file_store.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace brevanta::server {
namespace {

std::optional<std::string> PathOfDescriptor(int fd) {
    std::string link = "/proc/self/fd/" + std::to_string(fd);
    char target[PATH_MAX];
    ssize_t size = readlink(link.c_str(), target, sizeof target);
    if (size < 0 || static_cast<std::size_t>(size) >= sizeof target) {
        return std::nullopt;
    }
    return std::string(target, static_cast<std::size_t>(size));
}

}  // namespace

std::optional<FileStore> FileStore::Open(const std::string& path, std::string* error) {
    UniqueFd directory(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.IsValid()) {
        *error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        *error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string canonical(resolved);
    std::free(resolved);
    return FileStore(std::move(directory), std::move(canonical));
}

bool FileStore::Inside(const std::string& path) const {
    if (m_canonicalPath == "/") {
        return true;
    }
    return path.size() > m_canonicalPath.size() && path.starts_with(m_canonicalPath) &&
           path[m_canonicalPath.size()] == '/';
}

FileStore::OpenedFile FileStore::OpenFile(const std::string& name) const {
    OpenedFile result;
    auto refuse = [&](std::string reason) {
        result.status = OpenedFile::Status::kRefused;
        result.reason = std::move(reason);
        return std::move(result);
    };

    // Look before opening: opening a device or a FIFO that a link points at could block or act.
    struct stat before {};
    if (fstatat(m_directory.Get(), name.c_str(), &before, 0) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            result.status = OpenedFile::Status::kMissing;
            return result;
        }
        return refuse(std::strerror(errno));
    }
    if (!S_ISREG(before.st_mode)) {
        return refuse("not a regular file");
    }
    UniqueFd fd(
        openat(m_directory.Get(), name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.IsValid()) {
        if (errno == ENOENT) {
            result.status = OpenedFile::Status::kMissing;
            return result;
        }
        return refuse(std::strerror(errno));
    }
    // Check what was really opened: the name may have changed since the look.
    struct stat opened {};
    if (fstat(fd.Get(), &opened) != 0 || !S_ISREG(opened.st_mode)) {
        return refuse("not a regular file");
    }
    std::optional<std::string> path = PathOfDescriptor(fd.Get());
    if (!path) {
        return refuse("cannot tell where the file is");
    }
    if (!Inside(*path)) {
        return refuse("outside the directory");
    }
    result.status = OpenedFile::Status::kOk;
    result.fd = std::move(fd);
    result.size = static_cast<std::uint64_t>(opened.st_size);
    return result;
}

}  // namespace brevanta::server

// The directory whose regular files are served. Opening a name never reaches outside it: names
// with '/' are refused before they get here, and symbolic links that lead out are refused here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/unique_fd.h"

namespace brevanta::server {

using tools::UniqueFd;

class FileStore {
public:
    struct OpenedFile {
        enum class Status { kOk, kMissing, kRefused };
        Status status = Status::kMissing;
        UniqueFd fd;
        std::uint64_t size = 0;
        std::string reason;  // for kRefused
    };

    // Nothing, with a reason, when the path is not a readable directory.
    static std::optional<FileStore> Open(const std::string& path, std::string* error);

    // Opens a name of the directory (a name without '/', not "." or "..") for reading.
    OpenedFile OpenFile(const std::string& name) const;

private:
    FileStore(UniqueFd directory, std::string canonicalPath)
        : m_directory(std::move(directory)), m_canonicalPath(std::move(canonicalPath)) {}

    bool Inside(const std::string& path) const;

    UniqueFd m_directory;
    std::string m_canonicalPath;
};

}  // namespace brevanta::server

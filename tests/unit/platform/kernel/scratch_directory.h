// A temporary directory for the file tests, with the paths of its entries in both forms.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "kernel/device_path.h"
#include "test_files.h"

namespace ce::kernel::test {

class ScratchDirectory {
public:
    // The host path of an entry ("" for the directory itself).
    std::string HostPath(std::string_view name = {}) const {
        return name.empty() ? m_directory.Path() : m_directory.Path() + "/" + std::string(name);
    }
    std::u16string DevicePath(std::string_view name = {}) const {
        return HostPathToDevicePath(HostPath(name));
    }
    bool Write(std::string_view name, std::string_view bytes) const {
        return !m_directory.WriteFile(name, bytes).empty();
    }

private:
    brevanta::test::TemporaryDirectory m_directory;
};

inline std::string ReadHostFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

}  // namespace ce::kernel::test

// A whole file read into memory, for the tools' small input files.
#pragma once

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace brevanta::tools {

// Nothing when the file cannot be opened.
inline std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace brevanta::tools

#include "test_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace brevanta::test {

std::string PatternBytes(std::size_t size, std::uint32_t seed) {
    std::string bytes(size, '\0');
    // xorshift32 over the position and the seed: cheap, and no period a test file could reach.
    std::uint32_t state = 0x9e3779b9u ^ (seed * 0x85ebca6bu);
    for (std::size_t i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = static_cast<char>((state >> 24) ^ static_cast<std::uint32_t>(i));
    }
    return bytes;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    ssize_t got = 0;
    while ((got = read(fd, buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    if (got < 0) {
        return std::nullopt;
    }
    return bytes;
}

TemporaryDirectory::TemporaryDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/brevanta-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) != nullptr) {
        m_path = buffer.data();
    }
}

TemporaryDirectory::~TemporaryDirectory() {
    if (!m_path.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
}

std::string TemporaryDirectory::WriteFile(std::string_view name, std::string_view bytes) const {
    if (m_path.empty()) {
        return {};
    }
    std::string path = m_path + "/" + std::string(name);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.good() ? path : std::string();
}

std::string TemporaryDirectory::WritePatternFile(std::string_view name, std::size_t size,
                                                 std::uint32_t seed) const {
    std::string bytes = PatternBytes(size, seed);
    WriteFile(name, bytes);
    return bytes;
}

}  // namespace brevanta::test

// Files for tests: a temporary directory that removes itself, and contents with a known pattern.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brevanta::test {

// Bytes that depend on their position and the seed, so that a shifted, truncated, repeated or
// mixed-up copy does not compare equal to the original.
std::string PatternBytes(std::size_t size, std::uint32_t seed = 0);

// The whole content of a file; nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path);

// A fresh directory under $TMPDIR (or /tmp), removed with its contents by the destructor.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    ~TemporaryDirectory();

    // Empty when the directory could not be made.
    const std::string& Path() const { return m_path; }
    // Writes a file (name relative to the directory) and returns its full path; empty on failure.
    std::string WriteFile(std::string_view name, std::string_view bytes) const;
    // Writes PatternBytes(size, seed) and returns them.
    std::string WritePatternFile(std::string_view name, std::size_t size,
                                 std::uint32_t seed = 0) const;

private:
    std::string m_path;
};

}  // namespace brevanta::test

// A small disk for tests of what fills one: a tmpfs of a given size mounted on a fresh folder, in
// a mount namespace private to the test process so that nothing outside it sees the mount.
#pragma once

#include <cstddef>
#include <string>

#include "test_files.h"

namespace brevanta::test {

class SmallDisk {
public:
    explicit SmallDisk(std::size_t bytes);
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    ~SmallDisk();

    // The mounted folder; empty when the disk could not be made, and Error() says why.
    const std::string& Path() const { return m_path; }
    const std::string& Error() const { return m_error; }
    // Makes the disk read-only (even for root); false on failure.
    bool MakeReadOnly();
    // Fills the disk with one file until a write finds no room; false when it never does.
    bool Fill(const std::string& name);

private:
    TemporaryDirectory m_mountPoint;
    std::size_t m_bytes;
    std::string m_path;
    std::string m_error;
};

}  // namespace brevanta::test

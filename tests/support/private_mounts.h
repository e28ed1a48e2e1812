// Mounts a test makes for itself: the test process moves into a mount namespace of its own, so
// that nothing outside it (and nothing after it ends) sees them. Child processes started later
// inherit the namespace and see the same mounts.
#pragma once

#include <string>

namespace brevanta::test {

// Once per process; later calls report the first result. Needs a process without other threads:
// call it before starting any child process or thread. False with a reason on failure.
bool EnterPrivateMounts(std::string* error);

// A folder made read-only in place (even for root) by binding it over itself; the destructor
// makes it writable again.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::string path);
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    ~ReadOnlyFolder();

    // Empty when the folder is read-only now.
    const std::string& Error() const { return m_error; }

private:
    std::string m_path;
    std::string m_error;
    bool m_mounted = false;
};

}  // namespace brevanta::test

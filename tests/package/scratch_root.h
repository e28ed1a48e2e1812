// A root file system to install the packages into: the machine's own, seen through an overlay
// whose changes live in memory and vanish with the test. dpkg --root installs there and runs the
// maintainer scripts chrooted into it, programs run from there, and nothing reaches the
// machine's own files. /tmp is the machine's own inside it too, so that a path under /tmp (a
// control socket, a screenshot, an X display's socket) means the same inside and outside.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace brevanta::test {

struct CommandResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error, in order
};

// Runs a program (an absolute path and its arguments) and waits for its end.
CommandResult RunCommand(const std::vector<std::string>& argv,
                         std::chrono::milliseconds timeout = std::chrono::minutes(2));

class ScratchRoot {
public:
    ScratchRoot() = default;
    ScratchRoot(const ScratchRoot&) = delete;
    ScratchRoot& operator=(const ScratchRoot&) = delete;
    ~ScratchRoot();

    // Needs a private mount namespace (EnterPrivateMounts). False with a reason on failure.
    bool Create(std::string* error);

    // The path of a file of the scratch root as the test sees it.
    std::string Host(const std::string& path) const { return m_root + path; }
    // A command run chrooted into the scratch root.
    std::vector<std::string> Chrooted(const std::vector<std::string>& command) const;
    // dpkg --root with these arguments.
    CommandResult Dpkg(const std::vector<std::string>& arguments) const;

private:
    // Never removed recursively: the scratch root shows the machine's /dev and /tmp.
    std::string m_base;
    std::string m_root;
    std::vector<std::string> m_mounts;  // innermost last
};

}  // namespace brevanta::test

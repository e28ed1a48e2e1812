#include "scratch_root.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "child_process.h"

namespace brevanta::test {

CommandResult RunCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
    std::vector<std::string> command = {"/bin/sh", "-c", "exec \"$@\" 2>&1", "sh"};
    command.insert(command.end(), argv.begin(), argv.end());
    ChildProcess child;
    CommandResult result;
    if (!child.Start(command)) {
        result.output = "cannot start " + argv.front();
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (auto line = child.ReadLine(std::chrono::duration_cast<std::chrono::milliseconds>(
               deadline - std::chrono::steady_clock::now()))) {
        result.output += *line + "\n";
    }
    result.exitCode = child.WaitForExit(std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now()));
    return result;
}

ScratchRoot::~ScratchRoot() {
    for (auto mount = m_mounts.rbegin(); mount != m_mounts.rend(); ++mount) {
        umount2(mount->c_str(), MNT_DETACH);
    }
    if (!m_base.empty()) {
        rmdir(m_base.c_str());
    }
}

bool ScratchRoot::Create(std::string* error) {
    auto fail = [&](const std::string& step) {
        *error = step + ": " + std::strerror(errno);
        return false;
    };
    char pattern[] = "/tmp/brevanta-root-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return fail("mkdtemp");
    }
    m_base = pattern;
    const std::string& base = m_base;
    if (mount("scratch", base.c_str(), "tmpfs", 0, "mode=0755") != 0) {
        return fail("tmpfs");
    }
    m_mounts.push_back(base);
    for (const char* folder : {"/upper", "/work", "/root"}) {
        std::filesystem::create_directory(base + folder);
    }
    m_root = base + "/root";
    const std::string options = "lowerdir=/,upperdir=" + base + "/upper,workdir=" + base + "/work";
    if (mount("overlay", m_root.c_str(), "overlay", 0, options.c_str()) != 0) {
        return fail("overlay");
    }
    m_mounts.push_back(m_root);
    if (mount("/dev", Host("/dev").c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0) {
        return fail("/dev");
    }
    m_mounts.push_back(Host("/dev"));
    if (mount("proc", Host("/proc").c_str(), "proc", 0, nullptr) != 0) {
        return fail("/proc");
    }
    m_mounts.push_back(Host("/proc"));
    if (mount("/tmp", Host("/tmp").c_str(), nullptr, MS_BIND, nullptr) != 0) {
        return fail("/tmp");
    }
    m_mounts.push_back(Host("/tmp"));
    // Without this file man-db's trigger leaves the index alone: it would take most of the time
    // of an install.
    unlink(Host("/var/lib/man-db/auto-update").c_str());
    return true;
}

std::vector<std::string> ScratchRoot::Chrooted(const std::vector<std::string>& command) const {
    std::vector<std::string> chrooted = {"/usr/sbin/chroot", m_root};
    chrooted.insert(chrooted.end(), command.begin(), command.end());
    return chrooted;
}

CommandResult ScratchRoot::Dpkg(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command = {"/usr/bin/dpkg", "--root=" + m_root};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunCommand(command);
}

}  // namespace brevanta::test

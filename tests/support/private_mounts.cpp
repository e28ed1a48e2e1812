#include "private_mounts.h"

#include <errno.h>
#include <sched.h>
#include <sys/mount.h>

#include <cstring>
#include <utility>

namespace brevanta::test {

bool EnterPrivateMounts(std::string* error) {
    static const std::string failure = [] {
        if (unshare(CLONE_NEWNS) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            return std::string("unshare: ") + std::strerror(errno);
        }
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            return std::string("private /: ") + std::strerror(errno);
        }
        return std::string();
    }();
    *error = failure;
    return failure.empty();
}

ReadOnlyFolder::ReadOnlyFolder(std::string path) : m_path(std::move(path)) {
    if (!EnterPrivateMounts(&m_error)) {
        return;
    }
    if (mount(m_path.c_str(), m_path.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        m_error = std::string("bind: ") + std::strerror(errno);
        return;
    }
    m_mounted = true;
    if (mount(nullptr, m_path.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        m_error = std::string("read-only: ") + std::strerror(errno);
    }
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (m_mounted) {
        umount2(m_path.c_str(), MNT_DETACH);
    }
}

}  // namespace brevanta::test

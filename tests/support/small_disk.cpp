#include "small_disk.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "private_mounts.h"

namespace brevanta::test {

namespace {

std::string SizeOption(std::size_t bytes) {
    return "size=" + std::to_string(bytes) + ",mode=0755";
}

}  // namespace

SmallDisk::SmallDisk(std::size_t bytes) : m_bytes(bytes) {
    if (m_mountPoint.Path().empty()) {
        m_error = "no folder to mount on";
        return;
    }
    if (!EnterPrivateMounts(&m_error)) {
        return;
    }
    if (mount("tmpfs", m_mountPoint.Path().c_str(), "tmpfs", 0, SizeOption(bytes).c_str()) != 0) {
        m_error = std::string("mount tmpfs: ") + std::strerror(errno);
        return;
    }
    m_path = m_mountPoint.Path();
}

SmallDisk::~SmallDisk() {
    if (!m_path.empty()) {
        umount2(m_path.c_str(), MNT_DETACH);
    }
}

bool SmallDisk::MakeReadOnly() {
    return !m_path.empty() && mount("tmpfs", m_path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                                    SizeOption(m_bytes).c_str()) == 0;
}

bool SmallDisk::Fill(const std::string& name) {
    const std::string path = m_path + "/" + name;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const std::vector<char> block(4096, 'F');
    bool full = false;
    while (!full) {
        const ssize_t count = write(fd, block.data(), block.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            full = errno == ENOSPC;
            break;
        }
        if (static_cast<std::size_t>(count) < block.size()) {
            full = true;
        }
    }
    close(fd);
    return full;
}

}  // namespace brevanta::test

#include "private_network.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace brevanta::test {
namespace {

bool BringLoopbackUp(std::string* error) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    if (ok) {
        request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        ok = ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    }
    if (!ok) {
        *error = std::string("cannot bring loopback up: ") + std::strerror(errno);
    }
    close(fd);
    return ok;
}

}  // namespace

bool EnterPrivateNetwork(std::string* error) {
    if (unshare(CLONE_NEWNET) != 0) {
        // Without root, a user namespace grants the rights inside the new network namespace.
        if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
            *error = std::string("unshare: ") + std::strerror(errno);
            return false;
        }
    }
    return BringLoopbackUp(error);
}

bool CanManageNamespaces() {
    return geteuid() == 0;
}

}  // namespace brevanta::test

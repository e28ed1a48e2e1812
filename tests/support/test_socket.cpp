#include "test_socket.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

namespace brevanta::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kFirstBlock = 64 * 1024;

sockaddr_in MakeAddress(const std::string& address, std::uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &result.sin_addr);
    return result;
}

// Milliseconds left until the deadline, for poll().
int Left(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

TestSocket::TestSocket(TestSocket&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

TestSocket& TestSocket::operator=(TestSocket&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

TestSocket::~TestSocket() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

TestSocket TestSocket::Connect(const std::string& address, std::uint16_t port, int* error) {
    TestSocket result(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in target = MakeAddress(address, port);
    if (!result.IsValid() ||
        connect(result.m_fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        if (error != nullptr) {
            *error = errno;
        }
        return TestSocket();
    }
    return result;
}

TestSocket TestSocket::BindUdp(const std::string& address, std::uint16_t port, bool broadcast) {
    TestSocket result(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    int one = 1;
    setsockopt(result.m_fd, IPPROTO_IP, IP_PKTINFO, &one, sizeof one);
    if (broadcast) {
        setsockopt(result.m_fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    }
    sockaddr_in local = MakeAddress(address, port);
    if (!result.IsValid() ||
        bind(result.m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        return TestSocket();
    }
    return result;
}

bool TestSocket::SendAll(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t sent = send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool TestSocket::SendTo(std::string_view bytes, const std::string& address, std::uint16_t port) {
    sockaddr_in target = MakeAddress(address, port);
    return sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                  sizeof target) == static_cast<ssize_t>(bytes.size());
}

TestSocket::Received TestSocket::Receive(std::size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    Received result;
    // Received straight into the result, which grows by doubling: large downloads must not
    // cost more on the test's side than on the wire.
    std::size_t filled = 0;
    while (filled < count) {
        pollfd entry{m_fd, POLLIN, 0};
        int ready = poll(&entry, 1, Left(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            break;
        }
        if (filled == result.bytes.size()) {
            result.bytes.resize(std::min(count, std::max(filled * 2, kFirstBlock)));
        }
        ssize_t got = recv(m_fd, result.bytes.data() + filled, result.bytes.size() - filled, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            result.closed = true;
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    result.bytes.resize(filled);
    return result;
}

TestSocket::Received TestSocket::ReceiveUntilClosed(std::chrono::milliseconds timeout) {
    return Receive(std::numeric_limits<std::size_t>::max(), timeout);
}

std::optional<TestSocket::Datagram> TestSocket::ReceiveDatagram(std::chrono::milliseconds timeout) {
    pollfd entry{m_fd, POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(timeout.count())) <= 0) {
        return std::nullopt;
    }
    char buffer[65536];
    char control[256];
    sockaddr_in source{};
    iovec io{buffer, sizeof buffer};
    msghdr header{};
    header.msg_name = &source;
    header.msg_namelen = sizeof source;
    header.msg_iov = &io;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    ssize_t got = recvmsg(m_fd, &header, 0);
    if (got < 0) {
        return std::nullopt;
    }
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &source.sin_addr, text, sizeof text);
    Datagram datagram{
        std::string(buffer, static_cast<std::size_t>(got)), text, ntohs(source.sin_port), {}};
    for (cmsghdr* item = CMSG_FIRSTHDR(&header); item != nullptr;
         item = CMSG_NXTHDR(&header, item)) {
        if (item->cmsg_level == IPPROTO_IP && item->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(item), sizeof info);
            inet_ntop(AF_INET, &info.ipi_addr, text, sizeof text);
            datagram.destinationAddress = text;
        }
    }
    return datagram;
}

}  // namespace brevanta::test

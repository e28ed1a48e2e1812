#include "loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace brevanta::test {

LoopbackListener::LoopbackListener(std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return;
    }
    int enable = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &enable, sizeof enable);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 8) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        return;
    }
    m_listener = fd;
    m_port = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener() {
    CloseConnection();
    if (m_listener >= 0) {
        close(m_listener);
    }
}

bool LoopbackListener::Accept(std::chrono::milliseconds timeout) {
    CloseConnection();
    pollfd entry{m_listener, POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(timeout.count())) <= 0) {
        return false;
    }
    m_connection = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (m_connection >= 0) {
        ++m_accepted;
    }
    return m_connection >= 0;
}

std::optional<std::string> LoopbackListener::Read(std::size_t count,
                                                  std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string bytes;
    while (bytes.size() < count) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{m_connection, POLLIN, 0};
        if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            return std::nullopt;
        }
        char buffer[4096];
        std::size_t want = std::min(sizeof buffer, count - bytes.size());
        ssize_t got = recv(m_connection, buffer, want, 0);
        if (got <= 0) {
            return std::nullopt;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

bool LoopbackListener::HasPendingBytes() {
    pollfd entry{m_connection, POLLIN, 0};
    return poll(&entry, 1, 0) > 0;
}

bool LoopbackListener::Send(const std::string& bytes) {
    return send(m_connection, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size()) &&
           WaitAcknowledged(false);
}

void LoopbackListener::CloseConnection() {
    if (m_connection >= 0) {
        shutdown(m_connection, SHUT_WR);
        WaitAcknowledged(true);
        close(m_connection);
        m_connection = -1;
    }
}

bool LoopbackListener::WaitAcknowledged(bool finSent) {
    // The peer's acknowledgement proves the bytes (or the end of stream) are in its socket, so
    // that a test can look at the peer's state at once.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < deadline) {
        tcp_info info{};
        socklen_t length = sizeof info;
        if (getsockopt(m_connection, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) {
            return false;
        }
        bool done = finSent ? info.tcpi_state != TCP_FIN_WAIT1 && info.tcpi_state != TCP_LAST_ACK &&
                                  info.tcpi_state != TCP_CLOSING
                            : info.tcpi_unacked == 0;
        if (done) {
            return true;
        }
        pollfd none{-1, 0, 0};
        poll(&none, 1, 1);
    }
    return false;
}

}  // namespace brevanta::test

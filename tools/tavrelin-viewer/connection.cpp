#include "connection.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace brevanta::viewer {
namespace {

using Clock = std::chrono::steady_clock;

struct AddressListDeleter {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

// Waits for the non-blocking connect to finish; 0 when connected, else the errno.
int FinishConnect(int fd, Clock::time_point deadline) {
    for (;;) {
        // With no time left, one last look all the same: a connection that completed while this
        // thread was not running is taken, not dropped after the server took it on as its one
        // viewer.
        const auto left = std::max<std::chrono::milliseconds::rep>(
            0, std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
        pollfd entry{fd, POLLOUT, 0};
        const int ready = poll(&entry, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return errno;
        }
        if (ready == 0) {
            if (left == 0) {
                return ETIMEDOUT;
            }
            continue;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            return errno;
        }
        return error;
    }
}

}  // namespace

std::optional<Connection> Connection::Open(const std::string& host, std::uint16_t port,
                                           std::chrono::milliseconds timeout, std::string* error) {
    const std::string where = host + ":" + std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
        status != 0) {
        *error = "cannot resolve " + host + ": " + gai_strerror(status);
        return std::nullopt;
    }
    std::unique_ptr<addrinfo, AddressListDeleter> addresses(found);
    const Clock::time_point deadline = Clock::now() + timeout;
    int lastError = 0;
    for (const addrinfo* address = addresses.get(); address; address = address->ai_next) {
        UniqueFd fd(socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                           address->ai_protocol));
        if (!fd.IsValid()) {
            lastError = errno;
            continue;
        }
        int result = connect(fd.Get(), address->ai_addr, address->ai_addrlen);
        lastError = result == 0 ? 0 : errno;
        if (lastError == EINPROGRESS || lastError == EINTR) {
            lastError = FinishConnect(fd.Get(), deadline);
        }
        if (lastError != 0) {
            continue;
        }
        const int one = 1;
        setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        return Connection(std::move(fd));
    }
    *error = "cannot connect to " + where + ": " + std::strerror(lastError);
    return std::nullopt;
}

void Connection::Queue(std::span<const std::uint8_t> bytes) {
    if (m_sent == m_outgoing.size()) {
        m_outgoing.clear();
        m_sent = 0;
    }
    m_outgoing.insert(m_outgoing.end(), bytes.begin(), bytes.end());
}

bool Connection::Flush(std::string* error) {
    while (m_sent < m_outgoing.size()) {
        const ssize_t sent =
            send(m_fd.Get(), m_outgoing.data() + m_sent, m_outgoing.size() - m_sent, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        if (sent < 0) {
            *error = std::string("send: ") + std::strerror(errno);
            return false;
        }
        m_sent += static_cast<std::size_t>(sent);
    }
    return true;
}

Connection::ReadStatus Connection::Read(std::span<std::uint8_t> buffer, std::size_t* count,
                                        std::string* error) {
    for (;;) {
        const ssize_t received = recv(m_fd.Get(), buffer.data(), buffer.size(), 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return ReadStatus::kNothing;
        }
        if (received < 0 && errno == ECONNRESET) {
            return ReadStatus::kClosed;
        }
        if (received < 0) {
            *error = std::string("receive: ") + std::strerror(errno);
            return ReadStatus::kError;
        }
        *count = static_cast<std::size_t>(received);
        return received == 0 ? ReadStatus::kClosed : ReadStatus::kData;
    }
}

}  // namespace brevanta::viewer

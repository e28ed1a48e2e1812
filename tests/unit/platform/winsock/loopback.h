// Loopback TCP and UDP endpoints for the socket tests, and a probe of where a thread is blocked.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <chrono>
#include <cstdint>
#include <utility>

#include "blocking_call.h"
#include "winsock2.h"
#include "wait_until.h"

namespace ce::winsock::test {

// Owns a socket descriptor and closes it with closesocket.
class Socket {
public:
    Socket() = default;
    explicit Socket(SOCKET fd) : m_fd(fd) {}
    Socket(Socket&& other) noexcept : m_fd(std::exchange(other.m_fd, INVALID_SOCKET)) {}
    Socket& operator=(Socket&& other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    ~Socket() { Close(); }

    SOCKET Get() const { return m_fd; }
    bool IsValid() const { return m_fd != INVALID_SOCKET; }
    void Close() {
        if (m_fd != INVALID_SOCKET) {
            closesocket(std::exchange(m_fd, INVALID_SOCKET));
        }
    }

private:
    SOCKET m_fd = INVALID_SOCKET;
};

sockaddr_in LoopbackAddress(std::uint16_t port);
std::uint16_t LocalPort(SOCKET socket);

// A TCP socket listening on a free loopback port.
Socket Listen();
// A loopback port with nothing listening: connections to it are refused.
std::uint16_t ClosedPort();
// Both ends of a loopback TCP connection.
std::pair<Socket, Socket> ConnectedPair();
// A UDP socket bound to a free loopback port.
Socket BoundUdp();

// Waits until the thread `tid` of this process is blocked in the call.
bool WaitUntilBlockedIn(pid_t tid, brevanta::test::BlockingCall call,
                        std::chrono::milliseconds limit = std::chrono::seconds(10));

using brevanta::test::WaitUntil;

}  // namespace ce::winsock::test

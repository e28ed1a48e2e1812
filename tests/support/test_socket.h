// Plain IPv4 sockets for tests, with every wait bounded by a deadline.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brevanta::test {

class TestSocket {
public:
    TestSocket() = default;
    explicit TestSocket(int fd) : m_fd(fd) {}
    TestSocket(TestSocket&& other) noexcept;
    TestSocket& operator=(TestSocket&& other) noexcept;
    TestSocket(const TestSocket&) = delete;
    TestSocket& operator=(const TestSocket&) = delete;
    ~TestSocket();

    // A TCP connection; on failure an invalid socket and the errno in *error.
    static TestSocket Connect(const std::string& address, std::uint16_t port, int* error = nullptr);
    // A UDP socket bound to address:port (port 0: any), optionally allowed to broadcast.
    static TestSocket BindUdp(const std::string& address, std::uint16_t port,
                              bool broadcast = false);

    bool IsValid() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

    bool SendAll(std::string_view bytes);
    bool SendTo(std::string_view bytes, const std::string& address, std::uint16_t port);

    struct Received {
        std::string bytes;
        bool closed = false;  // the peer closed (or reset) the connection
    };
    // Receives until `count` bytes arrived, the peer closed, or the timeout passed.
    Received Receive(std::size_t count, std::chrono::milliseconds timeout);
    // Receives until the peer closes or the timeout passes.
    Received ReceiveUntilClosed(std::chrono::milliseconds timeout);

    struct Datagram {
        std::string bytes;
        std::string sourceAddress;
        std::uint16_t sourcePort = 0;
        // The address the datagram was sent to (UDP sockets only), e.g. "255.255.255.255".
        std::string destinationAddress;
    };
    std::optional<Datagram> ReceiveDatagram(std::chrono::milliseconds timeout);

private:
    int m_fd = -1;
};

}  // namespace brevanta::test

// A bare TCP listener on loopback for tests that check the exact bytes a client sends.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace brevanta::test {

class LoopbackListener {
public:
    // Listens on 127.0.0.1 at the port (0 picks a free one).
    explicit LoopbackListener(std::uint16_t port = 0);
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;
    ~LoopbackListener();

    bool Listening() const { return m_listener >= 0; }
    std::uint16_t Port() const { return m_port; }

    // Takes the next connection (closing a previous one); false on timeout.
    bool Accept(std::chrono::milliseconds timeout);
    // Exactly count bytes from the current connection, or nothing on timeout or close.
    std::optional<std::string> Read(std::size_t count, std::chrono::milliseconds timeout);
    // Whether bytes are waiting right now, without waiting.
    bool HasPendingBytes();
    // Sends and returns once the peer has acknowledged the bytes.
    bool Send(const std::string& bytes);
    // Ends the connection and returns once the peer has seen the end of stream.
    void CloseConnection();
    int AcceptCount() const { return m_accepted; }

private:
    bool WaitAcknowledged(bool finSent);

    int m_listener = -1;
    int m_connection = -1;
    std::uint16_t m_port = 0;
    int m_accepted = 0;
};

}  // namespace brevanta::test

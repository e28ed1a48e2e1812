// A WebSocket client written out from the protocol for tests of the gateway: the upgrade
// request, masked frames out, frames in, and the close code the server gave. Every wait has a
// deadline.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "test_socket.h"

namespace brevanta::test {

struct WebSocketMessage {
    std::uint8_t opcode = 0;  // 1 text, 2 binary, 8 close
    std::string payload;
    // For a close: the code, or 1005 when it carried none.
    int CloseCode() const;
};

class WebSocketClient {
public:
    // Connects and sends the upgrade; the answer's status line is in Status() (101 when taken).
    bool Open(std::uint16_t port, const std::string& path, const std::string& origin = {},
              std::chrono::milliseconds timeout = std::chrono::seconds(10));
    int Status() const { return m_status; }

    bool SendText(const std::string& text) { return Send(0x1, text); }
    bool SendBinary(const std::string& bytes) { return Send(0x2, bytes); }
    bool Send(std::uint8_t opcode, const std::string& payload);

    // The next whole message, or nothing when the time passes or the connection ends.
    std::optional<WebSocketMessage> Receive(std::chrono::milliseconds timeout);
    // Messages until a close arrives; its code, or -1 when none came in time.
    int WaitForClose(std::chrono::milliseconds timeout);

    TestSocket& Socket() { return m_socket; }

private:
    bool Fill(std::size_t count, std::chrono::steady_clock::time_point deadline);

    TestSocket m_socket;
    std::string m_pending;
    int m_status = 0;
};

}  // namespace brevanta::test

// A viewer made of a bare TCP socket, for tests that need what the scripted viewer never does:
// a connection cut mid-frame, a receive buffer that is never read, thousands of short visits.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "test_socket.h"

namespace brevanta::test {

struct ReceivedFrame {
    std::uint8_t mode = 0;
    std::size_t length = 0;  // header included
    int bands = 0;
};

class ViewerSocket {
public:
    // Connects from the calling thread's network namespace, trying again while the port refuses
    // (the server listens anew only after its previous viewer is gone). A receive buffer of a
    // few KiB (receiveBuffer > 0) keeps the server's sends from all fitting in the kernel.
    static std::optional<ViewerSocket> Connect(const std::string& address, int port,
                                               std::chrono::milliseconds timeout,
                                               int receiveBuffer = 0);

    bool Send(std::string_view bytes) { return m_socket.SendAll(bytes); }
    bool RequestUpdate();
    // Reads one frame and checks its structure for a screen whose band holds bandBytes.
    std::optional<ReceivedFrame> ReadFrame(std::size_t bandBytes,
                                           std::chrono::milliseconds timeout);
    // Reads up to count bytes; false when the connection ended before any came.
    bool ReadSome(std::size_t count, std::chrono::milliseconds timeout);
    // True once the server closed or reset the connection.
    bool WaitClosed(std::chrono::milliseconds timeout);
    // Ends the connection with a reset rather than a FIN.
    void Reset();
    void Close() { m_socket = TestSocket(); }

private:
    explicit ViewerSocket(TestSocket socket) : m_socket(std::move(socket)) {}

    TestSocket m_socket;
};

// An update request record: marker, event code 275, no coordinates.
std::string UpdateRequestRecord();

}  // namespace brevanta::test

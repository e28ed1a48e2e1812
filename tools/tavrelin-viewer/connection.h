// The viewer's TCP connection: connected with a deadline, non-blocking afterwards, Nagle off so
// that each record goes out at once. Outgoing bytes wait in a queue for the socket to take them.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/unique_fd.h"

namespace brevanta::viewer {

using tools::UniqueFd;

class Connection {
public:
    // Tries every address of the host in turn; nothing, with the reason, when none connects.
    static std::optional<Connection> Open(const std::string& host, std::uint16_t port,
                                          std::chrono::milliseconds timeout, std::string* error);

    int Fd() const { return m_fd.Get(); }

    void Queue(std::span<const std::uint8_t> bytes);
    bool HasQueued() const { return m_sent < m_outgoing.size(); }
    // Sends as much of the queue as the socket takes without waiting; false on a send error.
    bool Flush(std::string* error);

    enum class ReadStatus { kData, kNothing, kClosed, kError };
    // One receive into the buffer, without waiting. A reset counts as closed: a server that drops
    // its viewer with unread records in its buffer ends the connection that way.
    ReadStatus Read(std::span<std::uint8_t> buffer, std::size_t* count, std::string* error);

private:
    explicit Connection(UniqueFd fd) : m_fd(std::move(fd)) {}

    UniqueFd m_fd;
    std::vector<std::uint8_t> m_outgoing;
    std::size_t m_sent = 0;
};

}  // namespace brevanta::viewer

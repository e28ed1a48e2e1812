// Answers discovery: every datagram of exactly the token gets the reply text, by unicast, at the
// reply port of the address it came from. Anything else is reported and ignored.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>

#include "common/unique_fd.h"

namespace brevanta::server {

using tools::UniqueFd;

class DiscoveryResponder {
public:
    DiscoveryResponder(std::string reply, std::uint16_t replyPort)
        : m_reply(std::move(reply)), m_replyPort(replyPort) {}

    bool Bind(const in_addr& address, std::uint16_t port, std::string* error);
    std::uint16_t Port() const { return m_port; }
    int Fd() const { return m_socket.Get(); }

    // Handles the datagrams waiting on the socket, up to a number per call; called when it is
    // readable.
    void HandlePending();

private:
    std::string m_reply;
    std::uint16_t m_replyPort;
    UniqueFd m_socket;
    std::uint16_t m_port = 0;
};

}  // namespace brevanta::server

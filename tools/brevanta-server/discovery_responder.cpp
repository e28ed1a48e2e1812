#include "discovery_responder.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "event_log.h"
#include "protocol.h"

namespace brevanta::server {
namespace {

// Datagrams handled per wake; the rest wait for the next round, so that a flood of them does
// not hold the transfers.
constexpr int kDatagramsPerTurn = 64;

}  // namespace

bool DiscoveryResponder::Bind(const in_addr& address, std::uint16_t port, std::string* error) {
    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.IsValid()) {
        *error = std::string("udp socket: ") + std::strerror(errno);
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr = address;
    local.sin_port = htons(port);
    if (bind(socket.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        *error = "udp port " + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    socklen_t size = sizeof local;
    getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&local), &size);
    m_port = ntohs(local.sin_port);
    m_socket = std::move(socket);
    return true;
}

void DiscoveryResponder::HandlePending() {
    for (int i = 0; i < kDatagramsPerTurn; ++i) {
        char buffer[kDiscoveryToken.size()];
        sockaddr_in source{};
        socklen_t size = sizeof source;
        // MSG_TRUNC gives the datagram's real length, so a longer one is not mistaken for the
        // token it starts with.
        ssize_t length = recvfrom(m_socket.Get(), buffer, sizeof buffer, MSG_TRUNC,
                                  reinterpret_cast<sockaddr*>(&source), &size);
        if (length < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                EmitEvent(std::string("error discovery receive: ") + std::strerror(errno));
            }
            if (errno != EINTR) {
                return;
            }
            continue;
        }
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &source.sin_addr, text, sizeof text);
        std::string line =
            "discovery " + std::string(text) + ":" + std::to_string(ntohs(source.sin_port));
        if (static_cast<std::size_t>(length) != kDiscoveryToken.size() ||
            std::string_view(buffer, sizeof buffer) != kDiscoveryToken) {
            EmitEvent(line + " ignored " + std::to_string(length) + " bytes");
            continue;
        }
        sockaddr_in target = source;
        target.sin_port = htons(m_replyPort);
        if (sendto(m_socket.Get(), m_reply.data(), m_reply.size(), 0,
                   reinterpret_cast<const sockaddr*>(&target), sizeof target) < 0) {
            EmitEvent(line + " failed " + std::strerror(errno));
            continue;
        }
        EmitEvent(line + " replied");
    }
}

}  // namespace brevanta::server

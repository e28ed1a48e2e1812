// The numbers of the discovery exchange over UDP: the client broadcasts the token to the
// provisioning server's port every second; a server answers with any non-empty datagram to the
// client's port, and its source address is the server's address. The simulator tool keeps its own
// definitions on purpose: it is a peer written from the description of the exchange.
#pragma once

#include <cstdint>

namespace discovery {

// Eight bytes, no terminator.
constexpr char kToken[] = {'k', 'e', 'l', 'm', 'a', 'r', 'i', 's'};
constexpr std::uint16_t kTokenPort = 52423;
constexpr std::uint16_t kReplyPort = 52422;

}  // namespace discovery

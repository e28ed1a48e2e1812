#include "net/dead_peer_detection.h"

namespace {

void SetOption(SOCKET socket, int level, int name, int value) {
    setsockopt(socket, level, name, &value, sizeof value);
}

}  // namespace

void EnableDeadPeerDetection(SOCKET socket) {
    SetOption(socket, SOL_SOCKET, SO_KEEPALIVE, 1);
    SetOption(socket, IPPROTO_TCP, TCP_KEEPIDLE, kKeepAliveIdleSeconds);
    SetOption(socket, IPPROTO_TCP, TCP_KEEPINTVL, kKeepAliveIntervalSeconds);
    SetOption(socket, IPPROTO_TCP, TCP_KEEPCNT, kKeepAliveProbes);
    SetOption(socket, IPPROTO_TCP, TCP_USER_TIMEOUT, kUnacknowledgedTimeoutMilliseconds);
    const timeval sendTimeout{kSendTimeoutSeconds, 0};
    setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);
}

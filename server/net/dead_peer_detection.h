// A viewer that vanishes without closing (pulled cable, crashed host) must not hold the server:
// TCP keepalive probes an idle connection and unacknowledged sends time out, both within 30 s.
// Nothing changes on the wire while the peer answers.
#pragma once

#include <winsock2.h>

constexpr int kKeepAliveIdleSeconds = 10;
constexpr int kKeepAliveIntervalSeconds = 5;
constexpr int kKeepAliveProbes = 4;
constexpr int kUnacknowledgedTimeoutMilliseconds = 30000;

void EnableDeadPeerDetection(SOCKET socket);

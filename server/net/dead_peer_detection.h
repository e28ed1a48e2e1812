// A viewer that vanishes without closing (pulled cable, crashed host) must not hold the server:
// TCP keepalive probes an idle connection and unacknowledged sends time out, both within 30 s.
// A viewer that is there but stops reading must not hold the window's thread in a send without
// end: a send that cannot go on for a few seconds fails, which ends that viewer. Nothing changes
// on the wire while the peer answers and reads.
#pragma once

#include <winsock2.h>

constexpr int kKeepAliveIdleSeconds = 10;
constexpr int kKeepAliveIntervalSeconds = 5;
constexpr int kKeepAliveProbes = 4;
constexpr int kUnacknowledgedTimeoutMilliseconds = 30000;
constexpr int kSendTimeoutSeconds = 3;

void EnableDeadPeerDetection(SOCKET socket);

// Many downloads of one file at once, from one event loop: every connection is opened at the
// start, sends its request as soon as it is connected, and is checked byte by byte.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "download_check.h"

namespace brevanta::bench {

struct LoadOptions {
    std::string address;  // IPv4
    std::uint16_t port = 0;
    Protocol protocol = Protocol::kTransfer;
    std::string name;
    int connections = 1;
    // SO_RCVBUF of every connection (0: the system's autotuning). A thousand connections of one
    // host share its TCP memory, which a thousand devices do not: with autotuned buffers that
    // grow to megabytes each, the host itself drops segments once that memory runs short, and
    // the retransmission timeouts, not the server, set the figures.
    int receiveBuffer = 256 * 1024;
    // Downloads still under way after this are failed.
    std::chrono::milliseconds timeout{120'000};
};

struct LoadResult {
    int completed = 0;
    int failed = 0;
    std::map<std::string, int> failures;  // reason -> count
    std::uint64_t bodyBytes = 0;          // checked body bytes of all downloads
    double seconds = 0;                   // from the first connect to the last download's end
    std::vector<double> downloadMs;       // each completed download: from the start to its end
};

// Runs the load; an empty result with a failure reason when the loop cannot start.
LoadResult RunLoad(const LoadOptions& options, std::string_view reference);

}  // namespace brevanta::bench

// The faults the simulator can put into its responses so that tests can see how a client copes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brevanta::server {

// Gap between header pieces when --header-pieces is given without --pause.
inline constexpr std::uint32_t kDefaultPieceGapMs = 20;

struct Misbehaviour {
    bool refuse = false;                      // no TCP listener at all
    bool silent = false;                      // read requests, never answer
    std::optional<std::uint64_t> closeAfter;  // body bytes sent before closing
    std::optional<std::uint64_t> chunk;       // body chunk size
    std::optional<std::uint32_t> pauseMs;     // between chunks, or before the body
    std::optional<std::uint32_t> headerPieces;
    std::uint64_t extra = 0;                   // bytes sent after the file
    std::optional<std::uint64_t> announce;     // announced body size
    std::optional<std::string> rawHeader;      // sent instead of the real header
    std::optional<std::uint64_t> closeHeader;  // header bytes sent before closing
    bool closeAfterResponse = false;
};

}  // namespace brevanta::server

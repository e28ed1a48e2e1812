// What goes on the wire for one file response: the header, the file's bytes and, under the
// misbehaviour options, pauses, pieces, filler and an early close. Pure, so that the faults can
// be checked without a socket.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "misbehaviour.h"

namespace brevanta::server {

struct ResponseStep {
    enum class Kind {
        kWrite,   // the bytes in `bytes`
        kPause,   // wait `count` milliseconds
        kBody,    // the next `count` bytes of the file
        kFiller,  // `count` bytes that are not part of the file
        kClose,   // close the connection; nothing follows
    };
    Kind kind = Kind::kWrite;
    std::string bytes;
    std::uint64_t count = 0;

    bool operator==(const ResponseStep&) const = default;
};

// The filler byte of --extra.
inline constexpr char kFillerByte = 'X';

// The steps of the response to a file of fileSize bytes. Empty when nothing is to be sent
// (--silent). The bodies of all kBody steps add up to at most fileSize.
std::vector<ResponseStep> PlanResponse(const Misbehaviour& faults, std::uint64_t fileSize);

}  // namespace brevanta::server

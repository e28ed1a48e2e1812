// Wire format of the transfer protocol over TCP: every message starts with an 11-byte header, the
// total length of the message (header included) as "%10d" text, then a type character. The
// simulator tool keeps its own definitions on purpose: it is a peer written from the description
// of the protocol.
#pragma once

#include <cstdint>

namespace transfer {

// The provisioning server's port.
constexpr std::uint16_t kServerPort = 18898;

constexpr int kHeaderSize = 11;
constexpr int kLengthDigits = 10;
constexpr int kFileRequestSize = 75;
constexpr int kNameFieldSize = kFileRequestSize - kHeaderSize;
constexpr char kFileRequestType = '4';
constexpr char kNameMessageType = '1';

// Writes the 11 header bytes (no terminator). The length must fit ten digits.
void FormatHeader(char* header, int totalLength, char type);

// The total length a response header announces: leading spaces of its first ten characters are
// skipped and the number ends at the first character that is not a digit. Anything that gives no
// digits reads as 0.
std::int64_t ParseTotalLength(const char* header);

}  // namespace transfer

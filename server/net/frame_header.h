// The 10 bytes in front of every frame: the total frame length (header included) rendered with
// "%10d", its first character replaced by the screen mode byte.
#pragma once

#include <array>

#include "net/viewer_protocol.h"

// The total length must stay below 1,000,000,000 so that the replaced character is a pad space.
std::array<char, kFrameHeaderSize> FrameHeader(int payloadLength, signed char screenMode);

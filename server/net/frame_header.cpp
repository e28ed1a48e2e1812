#include "net/frame_header.h"

#include <cstdio>
#include <cstring>

std::array<char, kFrameHeaderSize> FrameHeader(int payloadLength, signed char screenMode) {
    char text[16] = {};
    std::snprintf(text, sizeof text, "%10d", payloadLength + kFrameHeaderSize);
    std::array<char, kFrameHeaderSize> header{};
    std::memcpy(header.data(), text, header.size());
    header[0] = static_cast<char>(screenMode);
    return header;
}

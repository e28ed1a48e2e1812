#include "transfer_protocol.h"

#include <cstdio>
#include <cstring>

namespace transfer {

void FormatHeader(char* header, int totalLength, char type) {
    char text[kHeaderSize + 1];
    std::snprintf(text, sizeof text, "%10d%c", totalLength, type);
    std::memcpy(header, text, kHeaderSize);
}

std::int64_t ParseTotalLength(const char* header) {
    int position = 0;
    while (position < kLengthDigits && header[position] == ' ') {
        ++position;
    }
    std::int64_t value = 0;
    while (position < kLengthDigits && header[position] >= '0' && header[position] <= '9') {
        value = value * 10 + (header[position] - '0');
        ++position;
    }
    return value;
}

}  // namespace transfer

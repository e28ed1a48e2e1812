#include "net/input_parser.h"

#include <algorithm>
#include <cstring>

namespace {

struct MouseAction {
    DWORD code;
    DWORD flags;
};

constexpr MouseAction kMouseActions[] = {
    {WM_MOUSEMOVE, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE},
    {WM_LBUTTONDOWN, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN},
    {WM_LBUTTONUP, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP},
    {WM_RBUTTONDOWN, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTDOWN},
    {WM_RBUTTONUP, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTUP},
};

std::uint32_t ReadLittleEndian(const unsigned char* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

// The offset of the first full marker in [from, end), or end.
int FindMarker(const unsigned char* buffer, int from, int end) {
    int run = 0;
    for (int i = from; i < end; ++i) {
        run = buffer[i] == kRecordMarkerByte ? run + 1 : 0;
        if (run == kRecordMarkerSize) {
            return i - (kRecordMarkerSize - 1);
        }
    }
    return end;
}

// Marker bytes at the very end of [from, end) that the next receive may complete (at most 3).
int TrailingMarkerPart(const unsigned char* buffer, int from, int end) {
    int count = 0;
    while (count < kRecordMarkerSize - 1 && end - count > from &&
           buffer[end - count - 1] == kRecordMarkerByte) {
        ++count;
    }
    return count;
}

// Acts on one complete record; true when it was accepted.
bool ActOnRecord(const unsigned char* record, InputActions& actions, ScreenSize screen) {
    const DWORD code = ReadLittleEndian(record + 4, 4);
    if (code == kUpdateRequestCode) {
        return true;
    }
    for (const MouseAction& action : kMouseActions) {
        if (action.code == code) {
            const std::uint32_t x = ReadLittleEndian(record + 8, 2);
            const std::uint32_t y = ReadLittleEndian(record + 10, 2);
            actions.MouseEvent(action.flags, ScaleToAbsolute(x, screen.width),
                               ScaleToAbsolute(y, screen.height));
            return true;
        }
    }
    return false;
}

}  // namespace

DWORD ScaleToAbsolute(std::uint32_t position, std::int32_t extent) {
    if (extent <= 0) {
        return 0;
    }
    return static_cast<DWORD>(std::uint64_t{position} * 65535u /
                              static_cast<std::uint64_t>(extent));
}

void ParseInputRecords(int& pending, unsigned char* buffer, InputActions& actions,
                       ScreenSize screen) {
    bool accepted = false;
    int position = 0;
    int keepFrom = pending;
    while (true) {
        const int marker = FindMarker(buffer, position, pending);
        if (marker == pending) {
            keepFrom = pending - TrailingMarkerPart(buffer, position, pending);
            break;
        }
        if (marker + kInputRecordSize > pending) {
            keepFrom = marker;
            break;
        }
        accepted = ActOnRecord(buffer + marker, actions, screen) || accepted;
        position = marker + kInputRecordSize;
    }
    pending -= keepFrom;
    std::memmove(buffer, buffer + keepFrom, static_cast<std::size_t>(pending));
    if (accepted) {
        actions.RequestUpdate();
    }
}

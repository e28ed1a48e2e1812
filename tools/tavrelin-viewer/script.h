// The commands of scripted mode, parsed from text: commands are separated by ';' or newlines,
// words by blanks; from a '#' that starts a command to the end of its line is a comment.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "wire.h"

namespace brevanta::viewer {

// The longest time, in milliseconds, that an option or a command accepts: an hour.
constexpr std::uint32_t kMaxMs = 3'600'000;

enum class CommandKind {
    kWaitFrame,     // wait-frame [MS]: the next frame; fails on timeout
    kWaitUpdate,    // wait-update [MS]: a change, then until it settles; goes on without one
    kExpectUpdate,  // expect-update [MS]: as wait-update, but fails without a change
    kWaitIdle,      // wait-idle [QUIET_MS [MS]]: until no frame came for QUIET_MS
    kWait,          // wait MS: keeps polling and taking frames for MS
    kWaitClosed,    // wait-closed [MS]: until the server closes the connection
    kSnapshot,      // snapshot PATH
    kTap,           // tap X Y: move, left down, left up
    kMove,          // move X Y
    kDown,          // down X Y
    kUp,            // up X Y
    kRightTap,      // right-tap X Y
    kRightDown,     // right-down X Y
    kRightUp,       // right-up X Y
    kDrag,          // drag X1 Y1 X2 Y2 [STEPS]: down, STEPS moves, up
    kRequest,       // request: one update request now
    kRaw,           // raw HEX...: these bytes as they are
    kExpectMode,    // expect-mode BYTE: the last frame's mode byte
    kExpectSize,    // expect-size WxH: the picture's size
    kExpectPixel,   // expect-pixel X Y RGB565: a pixel of the picture, from the top left
    kTapLatency,    // tap-latency N [X Y]...: N taps, each timed until the frame answering it
    kStats,         // stats: the figures so far
};

struct Point {
    std::uint16_t x = 0;
    std::uint16_t y = 0;

    bool operator==(const Point&) const = default;
};

struct Command {
    CommandKind kind = CommandKind::kRequest;
    std::string text;                 // as written, for messages
    std::optional<int> timeoutMs;     // when not given, the --timeout default applies
    int durationMs = 0;               // wait; quiet period of wait-idle
    int count = 0;                    // taps of tap-latency; steps of drag
    std::uint32_t value = 0;          // expected mode byte or RGB565 word
    std::vector<Point> points;        // where the input goes
    ScreenSize size;                  // expect-size
    std::string path;                 // snapshot
    std::vector<std::uint8_t> bytes;  // raw
};

// Nothing, with the offending command in *error, when a command is unknown or malformed.
std::optional<std::vector<Command>> ParseScript(std::string_view text, std::string* error);

// Decimal, or hexadecimal after 0x, within [low, high].
std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t low,
                                         std::uint32_t high);

}  // namespace brevanta::viewer

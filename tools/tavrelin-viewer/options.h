// The command line of tavrelin-viewer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "wire.h"
#include "common/command_line.h"

namespace brevanta::viewer {

constexpr std::uint16_t kDefaultPort = 23134;

struct Options {
    std::string host = "127.0.0.1";
    std::uint16_t port = kDefaultPort;
    std::optional<ScreenSize> size;  // for frames whose mode byte names no size
    int scale = 1;
    int pollMs = 40;  // 0: only the update requests that follow input and "request"
    int moveMs = 30;  // least gap between two pointer moves sent from the window
    int timeoutMs = 5000;
    int connectTimeoutMs = 5000;
    int settleMs = 150;  // a change has settled when no frame came for this long
    std::optional<std::string> script;
    std::optional<std::string> scriptFile;
    std::string display;  // X display; empty: $DISPLAY
    bool stats = false;
    bool reconnect = false;  // scripted mode: connect again after a drop (the window always does)
    bool quietFrames = false;
};

using CommandLine = tools::CommandLine<Options>;

// Options take their value as the next argument or after '='; the one positional argument is
// the host.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

std::string UsageText(std::string_view programName);

// One line: the program's name and the project's version.
std::string VersionText();

}  // namespace brevanta::viewer

#include "options.h"

#include <brevanta_version.h>

#include <functional>
#include <map>
#include <vector>

#include "script.h"

namespace brevanta::viewer {
namespace {

constexpr std::uint32_t kMaxScale = 16;

struct ValueOption {
    std::string expected;
    std::function<bool(std::string_view, Options&)> set;
};

ValueOption Number(std::uint32_t low, std::uint32_t high,
                   std::function<void(Options&, int)> store) {
    return {"a number from " + std::to_string(low) + " to " + std::to_string(high),
            [=](std::string_view text, Options& options) {
                std::optional<std::uint32_t> value = ParseNumber(text, low, high);
                if (value) {
                    store(options, static_cast<int>(*value));
                }
                return value.has_value();
            }};
}

ValueOption Text(std::function<void(Options&, std::string)> store) {
    return {"a text", [=](std::string_view text, Options& options) {
                store(options, std::string(text));
                return !text.empty();
            }};
}

std::map<std::string_view, ValueOption> ValueOptions() {
    std::map<std::string_view, ValueOption> table;
    table.emplace("--port", Number(1, 65535, [](Options& o, int v) {
                      o.port = static_cast<std::uint16_t>(v);
                  }));
    table.emplace("--scale", Number(1, kMaxScale, [](Options& o, int v) { o.scale = v; }));
    table.emplace("--poll-ms", Number(0, kMaxMs, [](Options& o, int v) { o.pollMs = v; }));
    table.emplace("--move-ms", Number(0, kMaxMs, [](Options& o, int v) { o.moveMs = v; }));
    table.emplace("--timeout", Number(1, kMaxMs, [](Options& o, int v) { o.timeoutMs = v; }));
    table.emplace("--connect-timeout",
                  Number(1, kMaxMs, [](Options& o, int v) { o.connectTimeoutMs = v; }));
    table.emplace("--settle-ms", Number(1, kMaxMs, [](Options& o, int v) { o.settleMs = v; }));
    // A band must hold at least one byte: width * height * 2 >= 40.
    table.emplace("--size", ValueOption{"WxH with sides of 1 to 4096 and at least 20 pixels",
                                        [](std::string_view text, Options& o) {
                                            o.size = ParseSize(text);
                                            return o.size && BandSize(*o.size) > 0;
                                        }});
    table.emplace("--script", Text([](Options& o, std::string v) { o.script = std::move(v); }));
    table.emplace("--script-file",
                  Text([](Options& o, std::string v) { o.scriptFile = std::move(v); }));
    table.emplace("--display", Text([](Options& o, std::string v) { o.display = std::move(v); }));
    return table;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
    const auto valueOptions = ValueOptions();
    CommandLine result;
    result.action = CommandLine::Action::kRun;
    Options& options = result.options;
    std::vector<std::string_view> positional;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (optionsEnded || !arg.starts_with("-")) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            result.action = CommandLine::Action::kHelp;
            return result;
        }
        if (arg == "--version") {
            result.action = CommandLine::Action::kVersion;
            return result;
        }
        if (arg == "--stats") {
            options.stats = true;
            continue;
        }
        if (arg == "--reconnect") {
            options.reconnect = true;
            continue;
        }
        if (arg == "--quiet-frames") {
            options.quietFrames = true;
            continue;
        }
        std::string_view name = arg.substr(0, arg.find('='));
        auto option = valueOptions.find(name);
        if (option == valueOptions.end()) {
            return CommandLine::Fail("unknown option " + std::string(name));
        }
        std::string_view value;
        if (name.size() < arg.size()) {
            value = arg.substr(name.size() + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return CommandLine::Fail(std::string(name) + " needs a value");
        }
        if (!option->second.set(value, options)) {
            return CommandLine::Fail(std::string(name) + " expects " + option->second.expected +
                                     ", not \"" + std::string(value) + "\"");
        }
    }
    if (positional.size() > 1) {
        return CommandLine::Fail("more than one host given");
    }
    if (!positional.empty()) {
        options.host = std::string(positional.front());
    }
    if (options.script && options.scriptFile) {
        return CommandLine::Fail("--script and --script-file exclude each other");
    }
    return result;
}

std::string UsageText(std::string_view programName) {
    std::string text = "Usage: " + std::string(programName) + " [options] [HOST]\n";
    text += R"(
Shows the screen of a Tavrelin display server and drives its pointer. HOST defaults to
127.0.0.1. Without a script it opens an X window; with one it runs the script without a window.

Connection:
  --port N              server port (default 23134)
  --connect-timeout MS  a script gives up connecting after MS (default 5000); the window
                        keeps trying. Refused or reset connections are tried again after 50 ms,
                        then after waits that double up to 2 s, until a frame has come
  --reconnect           a script connects again after the server dropped it (the window
                        always does); "wait-closed" then never succeeds
  --poll-ms MS          send an update request every MS (default 40; 0: only after input and
                        its follow-ups)
  --size WxH            screen size for frames whose mode byte names none (such as 0x30);
                        without it such frames keep the last known size, and are refused
                        when no size is known yet
  --stats               print a "rate" line every second
  -h, --help            show this text
  --version             show the version

Window:
  --scale N             zoom by N (1 to 16, default 1)
  --move-ms MS          least gap between two pointer moves sent (default 30)
  --display NAME        X display (default $DISPLAY)
  The left and right buttons become button records, pointer moves become move records (also
  without a button). q, Escape or closing the window quits. The title shows the host, the
  screen size, the mode byte and the frame and byte rates.

Scripted mode:
  --script TEXT         run the commands in TEXT
  --script-file PATH    run the commands in PATH
  --timeout MS          default timeout of the waiting commands (default 5000)
  --settle-ms MS        a change has settled once no frame came for MS (default 150)
  --quiet-frames        do not print a "frame" line for every frame

  Commands are separated by ';' or newlines; a '#' where a command starts makes the rest of
  its line a comment.
  Coordinates are device pixels, from the top left. Every input command sends its records and
  an update request in one write, and more requests follow 2, 4, 8, 16 and 32 ms later (to catch
  the input's effect). Update requests also go out every --poll-ms throughout.
    wait-frame [MS]          wait for the next frame; fails after MS (default --timeout)
    wait-update [MS]         wait for a frame, then until no frame came for --settle-ms: the
                             change has settled; prints "update frames=K", or "no-update" when
                             no frame came within MS, and goes on either way
    expect-update [MS]       as wait-update, but fails when no frame came within MS
    wait-idle [QUIET [MS]]   wait until no frame came for QUIET ms (default 300); fails when
                             frames keep coming for MS (default --timeout)
    wait MS                  keep polling and taking frames for MS
    wait-closed [MS]         wait until the server closes the connection; fails after MS
    snapshot PATH            write the picture as PNG (RGB, top row first)
    tap X Y                  move, left down and left up at X Y
    move X Y | down X Y | up X Y
    right-tap X Y | right-down X Y | right-up X Y
    drag X1 Y1 X2 Y2 [STEPS] left down at X1 Y1, STEPS moves (default 8), left up at X2 Y2
    request                  send one update request
    raw HEX...               send these bytes as they are (e.g. raw ffffffff13010000 00000000)
    expect-mode BYTE         fails unless the last frame carried this mode byte (e.g. 0x24)
    expect-size WxH          fails unless the picture has this size
    expect-pixel X Y RGB565  fails unless the pixel holds this word (e.g. 0xf800)
    tap-latency N X Y [X Y]...
                             N taps cycling through the spots given; before each the screen
                             must settle, then the time from sending the tap to the first frame
                             is taken; a tap that gets no frame within --timeout is missed.
                             Fails when every tap was missed
    stats                    print the stats line now
  Commands that need the connection fail once it is closed; snapshot and the expect commands
  go on working with the last picture.

Output on standard output, one line each:
  connected HOST:PORT                 (each time a connection is made)
  reconnecting REASON                 (a connection failed or ended; the next try follows)
  frame mode=0x24 bytes=N bands=K     (N counts the whole frame, header included)
  size WxH                            (the picture was reset to this size)
  update frames=K | no-update
  snapshot PATH
  latency count=N missed=M median_ms=F min_ms=F max_ms=F
  rate frames=N bytes=M               (--stats, each second)
  stats frames=N bytes=M seconds=S fps=F bps=B
  closed                              (the server closed the connection)
  error REASON                        (a bad frame, a failed send or receive)
  fail COMMAND: REASON                (a script command failed; the script stops)
  done                                (the script ran to its end)

Exit status: 0 success; 1 a script command failed or the connection broke; 2 bad usage or
script; 3 cannot connect; 4 the server sent a bad frame.
)";
    return text;
}

std::string VersionText() {
    return std::string("tavrelin-viewer ") + kVersion + "\n";
}

}  // namespace brevanta::viewer

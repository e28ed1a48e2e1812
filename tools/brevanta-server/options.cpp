#include "options.h"

#include <brevanta_version.h>

#include <arpa/inet.h>

#include <charconv>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brevanta::server {
namespace {

constexpr std::uint64_t kMaxChunk = 1ull << 30;
constexpr std::uint64_t kMaxExtra = 1ull << 30;
constexpr std::uint64_t kMaxPauseMs = 600'000;
constexpr std::uint64_t kMaxHeaderPieces = 1024;
constexpr std::uint64_t kMaxCloseHeader = 1024;

std::optional<std::uint64_t> ParseNumber(std::string_view text, std::uint64_t low,
                                         std::uint64_t high) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// An option that takes a value: the setter returns false when the value is not acceptable, and
// the range text tells the user what is.
struct ValueOption {
    std::string expected;
    std::function<bool(std::string_view, Options&)> set;
};

ValueOption Number(std::uint64_t low, std::uint64_t high,
                   std::function<void(Options&, std::uint64_t)> store) {
    return {"a number from " + std::to_string(low) + " to " + std::to_string(high),
            [=](std::string_view text, Options& options) {
                std::optional<std::uint64_t> value = ParseNumber(text, low, high);
                if (value) {
                    store(options, *value);
                }
                return value.has_value();
            }};
}

std::map<std::string_view, ValueOption> ValueOptions() {
    std::map<std::string_view, ValueOption> table;
    table.emplace("--tcp-port", Number(0, 65535, [](Options& o, std::uint64_t v) {
                      o.tcpPort = static_cast<std::uint16_t>(v);
                  }));
    table.emplace("--udp-port", Number(0, 65535, [](Options& o, std::uint64_t v) {
                      o.udpPort = static_cast<std::uint16_t>(v);
                  }));
    table.emplace("--reply-port", Number(1, 65535, [](Options& o, std::uint64_t v) {
                      o.replyPort = static_cast<std::uint16_t>(v);
                  }));
    table.emplace("--bind", ValueOption{"an IPv4 address", [](std::string_view text, Options& o) {
                                            std::string copy(text);
                                            return inet_pton(AF_INET, copy.c_str(),
                                                             &o.bindAddress) == 1;
                                        }});
    table.emplace("--reply",
                  ValueOption{"a text of 1 to 1024 bytes", [](std::string_view text, Options& o) {
                                  o.reply = std::string(text);
                                  return !text.empty() && text.size() <= kMaxReplySize;
                              }});
    table.emplace("--close-after", Number(0, kMaxMessageLength, [](Options& o, std::uint64_t v) {
                      o.faults.closeAfter = v;
                  }));
    table.emplace("--chunk",
                  Number(1, kMaxChunk, [](Options& o, std::uint64_t v) { o.faults.chunk = v; }));
    table.emplace("--pause", Number(0, kMaxPauseMs, [](Options& o, std::uint64_t v) {
                      o.faults.pauseMs = static_cast<std::uint32_t>(v);
                  }));
    table.emplace("--header-pieces", Number(1, kMaxHeaderPieces, [](Options& o, std::uint64_t v) {
                      o.faults.headerPieces = static_cast<std::uint32_t>(v);
                  }));
    table.emplace("--extra",
                  Number(0, kMaxExtra, [](Options& o, std::uint64_t v) { o.faults.extra = v; }));
    table.emplace("--announce", Number(0, kMaxMessageLength - kHeaderSize,
                                       [](Options& o, std::uint64_t v) { o.faults.announce = v; }));
    table.emplace("--raw-header", ValueOption{"a text", [](std::string_view text, Options& o) {
                                                  o.faults.rawHeader = std::string(text);
                                                  return true;
                                              }});
    table.emplace("--close-header", Number(0, kMaxCloseHeader, [](Options& o, std::uint64_t v) {
                      o.faults.closeHeader = v;
                  }));
    return table;
}

std::map<std::string_view, std::function<void(Options&)>> FlagOptions() {
    return {
        {"--no-discovery", [](Options& o) { o.discovery = false; }},
        {"--no-transfer", [](Options& o) { o.transfer = false; }},
        {"--refuse", [](Options& o) { o.faults.refuse = true; }},
        {"--silent", [](Options& o) { o.faults.silent = true; }},
        {"--close-after-response", [](Options& o) { o.faults.closeAfterResponse = true; }},
    };
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
    const auto valueOptions = ValueOptions();
    const auto flagOptions = FlagOptions();
    CommandLine result;
    result.action = CommandLine::Action::kRun;
    Options& options = result.options;
    std::vector<std::string_view> positional;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (optionsEnded || !arg.starts_with("-") || arg == "-") {
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
        std::string_view name = arg.substr(0, arg.find('='));
        std::optional<std::string_view> inlineValue;
        if (name.size() < arg.size()) {
            inlineValue = arg.substr(name.size() + 1);
        }
        if (auto flag = flagOptions.find(name); flag != flagOptions.end()) {
            if (inlineValue) {
                return CommandLine::Fail(std::string(name) + " takes no value");
            }
            flag->second(options);
            continue;
        }
        auto option = valueOptions.find(name);
        if (option == valueOptions.end()) {
            return CommandLine::Fail("unknown option " + std::string(name));
        }
        std::string_view value;
        if (inlineValue) {
            value = *inlineValue;
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

    if (positional.size() != 1) {
        return CommandLine::Fail(positional.empty() ? "no directory given"
                                                    : "more than one directory given");
    }
    options.directory = std::string(positional.front());
    if (!options.discovery && !options.transfer) {
        return CommandLine::Fail("--no-discovery and --no-transfer leave nothing to do");
    }
    if (options.faults.rawHeader && options.faults.announce) {
        return CommandLine::Fail("--raw-header replaces the header that --announce would change");
    }
    return result;
}

std::string UsageText(std::string_view programName) {
    std::string text = "Usage: " + std::string(programName) + " [options] DIR\n";
    text += R"(
Serves the regular files of DIR over the transfer protocol and answers discovery.

Service:
  --tcp-port N          transfer port (default 18898; 0 picks a free port, shown by "ready")
  --udp-port N          discovery port (default 52423; 0 picks a free port)
  --reply-port N        port that discovery replies go to (default 52422)
  --bind ADDR           IPv4 address to listen on (default any; a socket bound to a unicast
                        address does not receive broadcasts)
  --reply TEXT          discovery reply, 1 to 1024 bytes (default "BrevantaServer")
  --no-discovery        do not answer discovery
  --no-transfer         do not serve files
  -h, --help            show this text
  --version             show the version

Misbehaviour, applied to every response:
  --refuse              do not listen on TCP: connections are refused
  --silent              read requests but never answer
  --close-after N       send the header and N body bytes, then close
  --chunk N             send the body in chunks of N bytes, --pause MS between them
  --pause MS            with --chunk: pause between chunks; without: pause before the body;
                        also the gap between header pieces (default 20)
  --header-pieces N     send the header in N pieces
  --extra N             after the file, send N more bytes ('X') than announced
  --announce N          announce N as the body size whatever the file's size
  --raw-header TEXT     send TEXT instead of the real header, then the body
  --close-header N      send only the first N header bytes, then close
  --close-after-response
                        close the connection after each complete response

Output: one line per event on standard output; lines about a connection end with the device's
address, and those about a response with the time it took. For example
  ready tcp=18898 udp=52423          (a disabled side shows "off", --refuse shows "refused")
  accept #1 10.77.0.1:40000
  request #1 NAME peer=10.77.0.1:40000
  sent #1 NAME BYTES peer=10.77.0.1:40000 ms=MS
                                     (the whole file went out; BYTES counts file bytes)
  cut #1 NAME BYTES peer=... ms=MS   (the response stopped after BYTES file bytes)
  held #1 NAME peer=...              (--silent)
  missing #1 NAME peer=...
  bad #1 REASON peer=...
  failed #1 [NAME] REASON peer=... [ms=MS]   (the peer went away or a send failed)
  closed #1 peer=...
  full: N connections, ...           (the descriptor limit is reached; more devices wait)
  error accept: REASON ...           (the server's own trouble, e.g. out of descriptors)
  discovery ADDR:PORT replied | ignored N bytes | failed REASON
  stopped
When standard output is the journal (systemd's JOURNAL_STREAM), each line starts with its
priority: <6> for events, <4> for a device's failure, <3> for the server's own errors.
Names are shown with bytes below '!', '\' and DEL as \xHH.

Exit status: 0 after SIGTERM or SIGINT, 1 when a port cannot be opened, 2 for bad usage.
)";
    return text;
}

std::string VersionText() {
    return std::string("brevanta-server ") + kVersion + "\n";
}

}  // namespace brevanta::server

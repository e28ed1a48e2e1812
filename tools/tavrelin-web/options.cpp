#include "options.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace brevanta::web {
namespace {

constexpr int kMaxMs = 3'600'000;
constexpr std::size_t kMaxNameLength = 64;

std::optional<int> ParseInt(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (status != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

bool ValidName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxNameLength &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_' || c == '.';
           });
}

// "HOST", "HOST:PORT", "[IPv6]" or "[IPv6]:PORT"; false when malformed.
bool SplitHostPort(std::string_view text, std::string* host, std::uint16_t* port) {
    std::string_view rest;
    if (text.starts_with("[")) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos || close == 1) {
            return false;
        }
        *host = std::string(text.substr(1, close - 1));
        rest = text.substr(close + 1);
    } else {
        const std::size_t colon = text.find(':');
        if (colon != std::string_view::npos &&
            text.find(':', colon + 1) != std::string_view::npos) {
            return false;  // a bare IPv6 address needs brackets
        }
        *host = std::string(text.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view{} : text.substr(colon);
    }
    if (host->empty() || host->find_first_of(" \t/?#@") != std::string::npos) {
        return false;
    }
    if (rest.empty()) {
        return true;
    }
    if (!rest.starts_with(":")) {
        return false;
    }
    const std::optional<int> value = ParseInt(rest.substr(1), 1, 65535);
    if (!value) {
        return false;
    }
    *port = static_cast<std::uint16_t>(*value);
    return true;
}

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<DeviceConfig> ParseDevice(std::string_view text, std::string* error) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        *error = "a device is NAME=HOST[:PORT], not \"" + std::string(text) + "\"";
        return std::nullopt;
    }
    DeviceConfig device;
    device.name = std::string(Trim(text.substr(0, equals)));
    if (!ValidName(device.name)) {
        *error =
            "device name \"" + device.name + "\" must be 1 to 64 letters, digits, '-', '_' or '.'";
        return std::nullopt;
    }
    const std::string_view address = Trim(text.substr(equals + 1));
    if (!SplitHostPort(address, &device.host, &device.port)) {
        *error = "device address \"" + std::string(address) + "\" is not HOST[:PORT]";
        return std::nullopt;
    }
    return device;
}

std::optional<ListenAddress> ParseListenAddress(std::string_view text) {
    ListenAddress address;
    if (!SplitHostPort(text, &address.host, &address.port)) {
        return std::nullopt;
    }
    return address;
}

bool ParseDeviceList(std::string_view text, std::vector<DeviceConfig>* devices,
                     std::string* error) {
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        if (line.empty() || line.starts_with("#")) {
            continue;
        }
        std::string reason;
        std::optional<DeviceConfig> device = ParseDevice(line, &reason);
        if (!device) {
            *error = "line " + std::to_string(number) + ": " + reason;
            return false;
        }
        devices->push_back(std::move(*device));
    }
    return true;
}

bool CheckDevices(const std::vector<DeviceConfig>& devices, std::string* error) {
    if (devices.empty()) {
        *error = "no device given (--device NAME=HOST[:PORT] or --config FILE)";
        return false;
    }
    std::set<std::string> names;
    for (const DeviceConfig& device : devices) {
        if (!names.insert(device.name).second) {
            *error = "device name \"" + device.name + "\" is given twice";
            return false;
        }
    }
    return true;
}

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
    CommandLine result;
    result.action = CommandLine::Action::kRun;
    Options& options = result.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            result.action = CommandLine::Action::kHelp;
            return result;
        }
        if (arg == "--version") {
            result.action = CommandLine::Action::kVersion;
            return result;
        }
        if (!arg.starts_with("--")) {
            return CommandLine::Fail("unexpected argument \"" + std::string(arg) + "\"");
        }
        const std::string_view name = arg.substr(0, arg.find('='));
        std::string_view value;
        if (name.size() < arg.size()) {
            value = arg.substr(name.size() + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return CommandLine::Fail(std::string(name) + " needs a value");
        }
        const auto expects = [&](std::string_view what) {
            return CommandLine::Fail(std::string(name) + " expects " + std::string(what) +
                                     ", not \"" + std::string(value) + "\"");
        };
        const auto number = [&](int low, int high, int* target) {
            const std::optional<int> parsed = ParseInt(value, low, high);
            if (parsed) {
                *target = *parsed;
            }
            return parsed.has_value();
        };
        if (name == "--device") {
            std::string error;
            std::optional<DeviceConfig> device = ParseDevice(value, &error);
            if (!device) {
                return CommandLine::Fail(error);
            }
            options.devices.push_back(std::move(*device));
        } else if (name == "--config") {
            options.configFiles.emplace_back(value);
        } else if (name == "--listen") {
            std::optional<ListenAddress> listen = ParseListenAddress(value);
            if (!listen) {
                return expects("ADDR:PORT");
            }
            options.listen = *listen;
        } else if (name == "--token-file") {
            options.tokenFile = std::string(value);
        } else if (name == "--cert") {
            options.certFile = std::string(value);
        } else if (name == "--key") {
            options.keyFile = std::string(value);
        } else if (name == "--allow-origin") {
            if (!value.starts_with("http://") && !value.starts_with("https://")) {
                return expects("an origin such as https://host:port");
            }
            options.allowedOrigins.emplace_back(value);
        } else if (name == "--poll-ms") {
            if (!number(1, kMaxMs, &options.pollMs)) {
                return expects("a number from 1 to 3600000");
            }
        } else if (name == "--thumbnail-ms") {
            if (!number(1, kMaxMs, &options.thumbnailMs)) {
                return expects("a number from 1 to 3600000");
            }
        } else if (name == "--max-clients") {
            if (!number(1, 10000, &options.maxClients)) {
                return expects("a number from 1 to 10000");
            }
        } else if (name == "--size") {
            options.size = tavrelin::ParseSize(value);
            // A band must hold at least one byte.
            if (!options.size || tavrelin::BandSize(*options.size) == 0) {
                return expects("WxH with sides of 1 to 4096 and at least 20 pixels");
            }
        } else {
            return CommandLine::Fail("unknown option " + std::string(name));
        }
    }
    if (options.certFile.has_value() != options.keyFile.has_value()) {
        return CommandLine::Fail("--cert and --key go together");
    }
    return result;
}

std::string UsageText(std::string_view programName) {
    std::string text =
        "Usage: " + std::string(programName) + " [options] --device NAME=HOST[:PORT] ...\n";
    text += R"(
Shows the screens of Tavrelin display servers in any web browser and passes the browser's
pointer input back. The gateway is each device's one viewer and serves any number of browser
tabs: open http://127.0.0.1:8023/ (or the --listen address).

Devices:
  --device NAME=HOST[:PORT]  a device (repeatable); PORT defaults to 23134; NAME appears in the
                             page's address: letters, digits, '-', '_' and '.'
  --config FILE              read devices from FILE, one NAME=HOST[:PORT] a line ('#' starts
                             a comment line)
  --size WxH                 screen size for frames whose mode byte names none

Serving:
  --listen ADDR:PORT         where to listen (default 127.0.0.1:8023; [::1]:8023 for IPv6)
  --token-file FILE          the access secret (at least 16 characters, the first line of FILE);
                             the page asks for it once. Required beyond loopback
  --cert FILE --key FILE     serve HTTPS and WSS with this PEM certificate chain and key
  --allow-origin ORIGIN      also accept WebSocket upgrades from pages of ORIGIN (repeatable);
                             by default only the gateway's own pages may connect
  --max-clients N            connections at once (default 64)

Polling:
  --poll-ms MS               ask a device for changes every MS while a device view watches it
                             (default 4); after every input, every 2 ms for 32 ms as well
  --thumbnail-ms MS          the pace while only the device list watches it (default 500)
  Nobody watching: no requests at all.

  -h, --help                 show this text
  --version                  show the version

Exit status: 0 after SIGINT or SIGTERM; 1 cannot listen or read a file; 2 bad usage.
)";
    return text;
}

}  // namespace brevanta::web

// The command line and the device list file of tavrelin-web.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/tavrelin/screen.h"
#include "common/command_line.h"

namespace brevanta::web {

constexpr std::uint16_t kTavrelinPort = 23134;
constexpr std::uint16_t kDefaultWebPort = 8023;

struct DeviceConfig {
    std::string name;  // in the page's address: letters, digits, '-', '_' and '.'
    std::string host;
    std::uint16_t port = kTavrelinPort;

    bool operator==(const DeviceConfig&) const = default;
};

struct ListenAddress {
    std::string host = "127.0.0.1";  // an IPv4 or IPv6 address, without brackets
    std::uint16_t port = kDefaultWebPort;

    bool operator==(const ListenAddress&) const = default;
};

struct Options {
    std::vector<DeviceConfig> devices;
    std::vector<std::string> configFiles;  // read by the caller, in order, after --device
    ListenAddress listen;
    std::optional<std::string> tokenFile;
    std::optional<std::string> certFile;
    std::optional<std::string> keyFile;
    std::vector<std::string> allowedOrigins;  // besides the gateway's own
    int pollMs = 4;                           // while a device view watches
    int thumbnailMs = 500;                    // while only the device list watches
    int maxClients = 64;
    std::optional<tavrelin::ScreenSize> size;  // for frames whose mode byte names no size
};

using CommandLine = tools::CommandLine<Options>;

// Options take their value as the next argument or after '='.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

// "NAME=HOST[:PORT]"; HOST may be an IPv6 address in brackets.
std::optional<DeviceConfig> ParseDevice(std::string_view text, std::string* error);
// "ADDR:PORT" or "[IPv6]:PORT".
std::optional<ListenAddress> ParseListenAddress(std::string_view text);

// The device list file: one "NAME=HOST[:PORT]" a line; blank lines and lines that start with
// '#' are skipped. Appends to *devices; on a bad line, false with the line number in *error.
bool ParseDeviceList(std::string_view text, std::vector<DeviceConfig>* devices, std::string* error);

// Names must be unique and at least one device given; false with the reason.
bool CheckDevices(const std::vector<DeviceConfig>& devices, std::string* error);

std::string UsageText(std::string_view programName);

}  // namespace brevanta::web

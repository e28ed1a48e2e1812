// What a tab is told about its device's connection, and the other text messages of the gateway
// (JSON, which the page reads with JSON.parse).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "options.h"

namespace brevanta::web {

enum class LinkState {
    kIdle,          // nobody watches: not connected, nothing sent
    kConnecting,    // a connection attempt is under way
    kConnected,     // frames arrive
    kBusy,          // Tavrelin refuses: another viewer is connected, or it is stopped
    kUnreachable,   // no answer, no route, or the name does not resolve
    kReconnecting,  // the connection broke; the next attempt follows
};

struct LinkStatus {
    LinkState state = LinkState::kIdle;
    std::string detail;  // for a person: what happened
    int retryMs = 0;     // when the next attempt follows, for the states that wait for one

    bool operator==(const LinkStatus&) const = default;
};

std::string_view StateName(LinkState state);

// A JSON string literal, quotes included.
std::string JsonString(std::string_view text);

// {"type":"status","device":...,"state":...,"detail":...,"retryMs":...}
std::string StatusMessage(std::string_view device, const LinkStatus& status);
// {"devices":[{"name":...,"address":"host:port"},...]}
std::string DeviceListJson(const std::vector<DeviceConfig>& devices);

}  // namespace brevanta::web

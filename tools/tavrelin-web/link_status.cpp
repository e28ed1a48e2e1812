#include "link_status.h"

#include <cstdio>

namespace brevanta::web {

std::string_view StateName(LinkState state) {
    switch (state) {
        case LinkState::kIdle:
            return "idle";
        case LinkState::kConnecting:
            return "connecting";
        case LinkState::kConnected:
            return "connected";
        case LinkState::kBusy:
            return "busy";
        case LinkState::kUnreachable:
            return "unreachable";
        case LinkState::kReconnecting:
            return "reconnecting";
    }
    return "idle";
}

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

std::string StatusMessage(std::string_view device, const LinkStatus& status) {
    return "{\"type\":\"status\",\"device\":" + JsonString(device) +
           ",\"state\":" + JsonString(StateName(status.state)) +
           ",\"detail\":" + JsonString(status.detail) +
           ",\"retryMs\":" + std::to_string(status.retryMs) + "}";
}

std::string DeviceListJson(const std::vector<DeviceConfig>& devices) {
    std::string json = "{\"devices\":[";
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const DeviceConfig& device = devices[i];
        const bool v6 = device.host.find(':') != std::string::npos;
        const std::string address =
            (v6 ? "[" + device.host + "]" : device.host) + ":" + std::to_string(device.port);
        json += (i > 0 ? "," : "") + std::string("{\"name\":") + JsonString(device.name) +
                ",\"address\":" + JsonString(address) + "}";
    }
    return json + "]}";
}

}  // namespace brevanta::web

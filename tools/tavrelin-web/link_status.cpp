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
        // Appended piece by piece: GCC 12 at -O3 takes "literal" + std::string for an overlap.
        std::string address;
        const bool v6 = device.host.find(':') != std::string::npos;
        address.append(v6 ? "[" : "").append(device.host).append(v6 ? "]" : "");
        address.append(":").append(std::to_string(device.port));
        json.append(i > 0 ? "," : "").append("{\"name\":").append(JsonString(device.name));
        json.append(",\"address\":").append(JsonString(address)).append("}");
    }
    return json + "]}";
}

}  // namespace brevanta::web

// What the gateway answers to an HTTP request, decided without a socket: the page's files, the
// device list, refusals. The server layer turns the answer into bytes.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "access.h"
#include "fan_out.h"
#include "options.h"

namespace brevanta::web {

struct WebRequest {
    std::string_view method;
    std::string_view target;
    std::string_view host;
    std::string_view authorization;
    std::string_view ifNoneMatch;
    std::string_view origin;
};

struct WebResponse {
    int status = 200;
    std::string contentType;
    std::string body;                         // for answers made here
    std::span<const std::uint8_t> fixedBody;  // for the page's files (not copied)
    std::vector<std::pair<std::string, std::string>> headers;
    bool headOnly = false;  // HEAD: headers of the GET answer, no body

    std::size_t BodySize() const { return fixedBody.empty() ? body.size() : fixedBody.size(); }
};

WebResponse Respond(const WebRequest& request, const AccessPolicy& policy,
                    const std::vector<DeviceConfig>& devices);

// A WebSocket upgrade to /ws/NAME (the device view) or /ws/NAME?view=thumbnail (the list).
struct UpgradeDecision {
    int status = 0;  // 0: accept; otherwise the HTTP status of the refusal
    std::string reason;
    std::size_t device = 0;  // index into the device list
    Pace pace = Pace::kFull;
};

UpgradeDecision DecideUpgrade(const WebRequest& request, const AccessPolicy& policy,
                              const std::vector<DeviceConfig>& devices);

}  // namespace brevanta::web

// Who may use the gateway: the access secret, the Origin of WebSocket upgrades and the Host a
// request names. Tavrelin has no access control of its own; this is where it lives.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevanta::web {

constexpr std::size_t kMinTokenLength = 16;
constexpr std::size_t kMaxTokenLength = 512;

// Whether an address to listen on is reachable only from this machine.
bool IsLoopbackAddress(std::string_view host);

// The secret in a token file: its first line without surrounding blanks; nothing (with the
// reason) when it is shorter than kMinTokenLength or longer than kMaxTokenLength.
std::optional<std::string> TokenFromFile(std::string_view content, std::string* error);

// Compares in time that does not depend on where the two differ.
bool TokenMatches(std::string_view expected, std::string_view given);

// The token of an "Authorization: Bearer TOKEN" header value; empty when there is none.
std::string_view BearerToken(std::string_view authorization);

struct AccessPolicy {
    std::optional<std::string> token;
    bool secure = false;                      // the gateway serves HTTPS
    std::vector<std::string> allowedOrigins;  // besides the gateway's own
};

// A WebSocket upgrade is taken from the gateway's own pages (Origin equal to the scheme and Host
// of the request), from the allowed origins, and from clients that send no Origin at all (not
// browsers: a browser always sends one). "null" and every other origin are refused.
bool OriginAllowed(const AccessPolicy& policy, std::string_view origin, std::string_view host);

// Without a token only loopback names are taken as Host: a page of another site whose name
// was rebound to 127.0.0.1 names its own host and is refused.
bool HostAllowed(const AccessPolicy& policy, std::string_view host);

}  // namespace brevanta::web

#include "access.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cctype>

namespace brevanta::web {
namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The host part of a Host header: without the port, IPv6 without its brackets.
std::string_view HostName(std::string_view host) {
    if (host.starts_with("[")) {
        const std::size_t close = host.find(']');
        return close == std::string_view::npos ? std::string_view{} : host.substr(1, close - 1);
    }
    return host.substr(0, host.find(':'));
}

}  // namespace

bool IsLoopbackAddress(std::string_view host) {
    const std::string text(host);
    in_addr v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
        return (ntohl(v4.s_addr) >> 24) == 127;
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
        return IN6_IS_ADDR_LOOPBACK(&v6);
    }
    return Lower(host) == "localhost";
}

std::optional<std::string> TokenFromFile(std::string_view content, std::string* error) {
    std::string_view line = content.substr(0, content.find('\n'));
    const std::size_t first = line.find_first_not_of(" \t\r");
    const std::size_t last = line.find_last_not_of(" \t\r");
    line =
        first == std::string_view::npos ? std::string_view{} : line.substr(first, last - first + 1);
    if (line.size() < kMinTokenLength || line.size() > kMaxTokenLength) {
        *error = "the token must be " + std::to_string(kMinTokenLength) + " to " +
                 std::to_string(kMaxTokenLength) + " characters on the file's first line";
        return std::nullopt;
    }
    return std::string(line);
}

bool TokenMatches(std::string_view expected, std::string_view given) {
    // Every byte of the longer text is looked at, whatever the lengths and contents.
    const std::size_t length = std::max(expected.size(), given.size());
    unsigned difference = expected.size() == given.size() ? 0u : 1u;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char a = i < expected.size() ? expected[i] : 0;
        const unsigned char b = i < given.size() ? given[i] : 0;
        difference |= static_cast<unsigned>(a ^ b);
    }
    return difference == 0;
}

std::string_view BearerToken(std::string_view authorization) {
    constexpr std::string_view kScheme = "Bearer ";
    if (authorization.size() <= kScheme.size() ||
        Lower(authorization.substr(0, kScheme.size())) != "bearer ") {
        return {};
    }
    return authorization.substr(kScheme.size());
}

bool OriginAllowed(const AccessPolicy& policy, std::string_view origin, std::string_view host) {
    if (origin.empty()) {
        return true;
    }
    const std::string own = std::string(policy.secure ? "https://" : "http://") + Lower(host);
    const std::string given = Lower(origin);
    if (!host.empty() && given == own) {
        return true;
    }
    return std::any_of(policy.allowedOrigins.begin(), policy.allowedOrigins.end(),
                       [&](const std::string& allowed) { return Lower(allowed) == given; });
}

bool HostAllowed(const AccessPolicy& policy, std::string_view host) {
    if (policy.token) {
        return true;
    }
    const std::string name = Lower(HostName(host));
    if (name.empty()) {
        return false;
    }
    if (IsLoopbackAddress(name)) {
        return true;
    }
    return std::any_of(policy.allowedOrigins.begin(), policy.allowedOrigins.end(),
                       [&](const std::string& allowed) {
                           const std::string_view rest =
                               std::string_view(allowed).substr(allowed.find("://") + 3);
                           return Lower(HostName(rest)) == name;
                       });
}

}  // namespace brevanta::web

#include "page_assets.h"

#include <array>
#include <cstdio>

extern const unsigned char kPageIndexHtml[];
extern const std::size_t kPageIndexHtmlSize;
extern const unsigned char kPageAppJs[];
extern const std::size_t kPageAppJsSize;
extern const unsigned char kPageAppCss[];
extern const std::size_t kPageAppCssSize;

namespace brevanta::web {
namespace {

std::string EntityTag(std::span<const std::uint8_t> bytes) {
    // FNV-1a: enough to tell one build's file from another's.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const std::uint8_t byte : bytes) {
        hash = (hash ^ byte) * 0x100000001b3ULL;
    }
    char text[24];
    std::snprintf(text, sizeof text, "\"%016llx\"", static_cast<unsigned long long>(hash));
    return text;
}

PageAsset Make(std::string_view path, std::string_view type, const unsigned char* bytes,
               std::size_t size) {
    const std::span<const std::uint8_t> span(bytes, size);
    return PageAsset{path, type, span, EntityTag(span)};
}

const std::array<PageAsset, 3>& Assets() {
    static const std::array<PageAsset, 3> assets = {
        Make("/", "text/html; charset=utf-8", kPageIndexHtml, kPageIndexHtmlSize),
        Make("/app.js", "text/javascript; charset=utf-8", kPageAppJs, kPageAppJsSize),
        Make("/app.css", "text/css; charset=utf-8", kPageAppCss, kPageAppCssSize),
    };
    return assets;
}

}  // namespace

const PageAsset* FindPageAsset(std::string_view path) {
    if (path == "/index.html") {
        path = "/";
    }
    for (const PageAsset& asset : Assets()) {
        if (asset.path == path) {
            return &asset;
        }
    }
    return nullptr;
}

const std::vector<std::pair<std::string_view, std::string_view>>& SecurityHeaders() {
    static const std::vector<std::pair<std::string_view, std::string_view>> headers = {
        {"Content-Security-Policy",
         "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data: blob:; "
         "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'"},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"X-Frame-Options", "DENY"},
    };
    return headers;
}

}  // namespace brevanta::web

// The page, compiled into the gateway: what each path serves, with its type and validator, and
// the headers every answer carries.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brevanta::web {

struct PageAsset {
    std::string_view path;
    std::string_view contentType;
    std::span<const std::uint8_t> bytes;
    std::string etag;  // quoted, from the bytes
};

// "/" serves the page itself; nothing for a path the page does not have.
const PageAsset* FindPageAsset(std::string_view path);

// Assets are revalidated on every use (they change with the gateway, not with their name).
constexpr std::string_view kAssetCacheControl = "no-cache";
// Answers that carry device data are never stored.
constexpr std::string_view kDataCacheControl = "no-store";

// Headers of every answer: the page may load only itself and talk only to its own gateway, is
// never framed, and sends no referrer.
const std::vector<std::pair<std::string_view, std::string_view>>& SecurityHeaders();

}  // namespace brevanta::web

#include "routes.h"

#include "link_status.h"
#include "page_assets.h"

namespace brevanta::web {
namespace {

WebResponse Plain(int status, std::string text) {
    WebResponse response;
    response.status = status;
    response.contentType = "text/plain; charset=utf-8";
    response.body = std::move(text) + "\n";
    response.headers.emplace_back("Cache-Control", kDataCacheControl);
    return response;
}

std::string_view PathOf(std::string_view target) {
    return target.substr(0, target.find('?'));
}

std::string_view QueryOf(std::string_view target) {
    const std::size_t mark = target.find('?');
    return mark == std::string_view::npos ? std::string_view{} : target.substr(mark + 1);
}

}  // namespace

WebResponse Respond(const WebRequest& request, const AccessPolicy& policy,
                    const std::vector<DeviceConfig>& devices) {
    if (!HostAllowed(policy, request.host)) {
        return Plain(403, "this gateway answers only to its own address");
    }
    if (request.method != "GET" && request.method != "HEAD") {
        WebResponse response = Plain(405, "only GET and HEAD");
        response.headers.emplace_back("Allow", "GET, HEAD");
        return response;
    }
    const bool head = request.method == "HEAD";
    const std::string_view path = PathOf(request.target);
    if (path == "/devices") {
        if (policy.token && !TokenMatches(*policy.token, BearerToken(request.authorization))) {
            WebResponse response = Plain(401, "the access token is missing or wrong");
            response.headers.emplace_back("WWW-Authenticate", "Bearer realm=\"tavrelin-web\"");
            response.headOnly = head;
            return response;
        }
        WebResponse response;
        response.contentType = "application/json";
        response.body = DeviceListJson(devices);
        response.headers.emplace_back("Cache-Control", kDataCacheControl);
        response.headOnly = head;
        return response;
    }
    const PageAsset* asset = FindPageAsset(path);
    if (!asset) {
        return Plain(404, "no such page");
    }
    WebResponse response;
    response.contentType = std::string(asset->contentType);
    response.headers.emplace_back("Cache-Control", kAssetCacheControl);
    response.headers.emplace_back("ETag", asset->etag);
    response.headOnly = head;
    if (request.ifNoneMatch == asset->etag) {
        response.status = 304;
        return response;
    }
    response.fixedBody = asset->bytes;
    return response;
}

UpgradeDecision DecideUpgrade(const WebRequest& request, const AccessPolicy& policy,
                              const std::vector<DeviceConfig>& devices) {
    UpgradeDecision decision;
    if (!HostAllowed(policy, request.host)) {
        decision.status = 403;
        decision.reason = "this gateway answers only to its own address";
        return decision;
    }
    if (!OriginAllowed(policy, request.origin, request.host)) {
        decision.status = 403;
        decision.reason = "pages of this origin may not connect";
        return decision;
    }
    constexpr std::string_view kPrefix = "/ws/";
    const std::string_view path = PathOf(request.target);
    if (!path.starts_with(kPrefix)) {
        decision.status = 404;
        decision.reason = "no such socket";
        return decision;
    }
    const std::string_view name = path.substr(kPrefix.size());
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].name == name) {
            decision.device = i;
            decision.pace =
                QueryOf(request.target) == "view=thumbnail" ? Pace::kThumbnail : Pace::kFull;
            return decision;
        }
    }
    decision.status = 404;
    decision.reason = "no such device";
    return decision;
}

}  // namespace brevanta::web

// What the gateway answers over HTTP: the page's files with their types and caching headers, the
// device list behind the token, refusals; and which WebSocket upgrades it takes.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tavrelin-web/page_assets.h"
#include "tavrelin-web/routes.h"
#include "test_files.h"

namespace brevanta::web {
namespace {

const std::vector<DeviceConfig> kDevices = {{"hall", "10.0.0.5", 23134},
                                            {"lab-2", "fe80::1", 24000}};

std::string Header(const WebResponse& response, const std::string& name) {
    for (const auto& [key, value] : response.headers) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

std::string Body(const WebResponse& response) {
    if (!response.fixedBody.empty()) {
        return std::string(response.fixedBody.begin(), response.fixedBody.end());
    }
    return response.body;
}

WebRequest Get(std::string_view target) {
    WebRequest request;
    request.method = "GET";
    request.target = target;
    request.host = "127.0.0.1:8023";
    return request;
}

std::string PageFile(const std::string& name) {
    return test::ReadFileBytes(std::string(TAVRELIN_WEB_PAGE_DIR) + "/" + name).value_or("?");
}

TEST(TavrelinWebRoutes, ServesThePageFilesWithTheirTypesAndRevalidation) {
    const struct {
        const char* target;
        const char* file;
        const char* type;
    } cases[] = {{"/", "index.html", "text/html; charset=utf-8"},
                 {"/index.html", "index.html", "text/html; charset=utf-8"},
                 {"/app.js", "app.js", "text/javascript; charset=utf-8"},
                 {"/app.css", "app.css", "text/css; charset=utf-8"},
                 {"/app.js?v=2", "app.js", "text/javascript; charset=utf-8"}};
    for (const auto& item : cases) {
        SCOPED_TRACE(item.target);
        const WebResponse response = Respond(Get(item.target), {}, kDevices);
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(response.contentType, item.type);
        EXPECT_EQ(Body(response), PageFile(item.file));
        EXPECT_EQ(Header(response, "Cache-Control"), "no-cache");
        EXPECT_FALSE(Header(response, "ETag").empty());
    }
}

TEST(TavrelinWebRoutes, AnUnchangedFileIsNotSentAgain) {
    const WebResponse first = Respond(Get("/app.js"), {}, kDevices);
    WebRequest again = Get("/app.js");
    const std::string tag = Header(first, "ETag");
    again.ifNoneMatch = tag;
    const WebResponse second = Respond(again, {}, kDevices);
    EXPECT_EQ(second.status, 304);
    EXPECT_EQ(second.BodySize(), 0u);
    EXPECT_EQ(Header(second, "ETag"), tag);
    EXPECT_NE(Header(Respond(Get("/app.css"), {}, kDevices), "ETag"), tag);
}

TEST(TavrelinWebRoutes, HeadAnswersWithoutTheBody) {
    WebRequest request = Get("/");
    request.method = "HEAD";
    const WebResponse response = Respond(request, {}, kDevices);
    EXPECT_EQ(response.status, 200);
    EXPECT_TRUE(response.headOnly);
}

TEST(TavrelinWebRoutes, TheDeviceListIsNeverStoredAndNeedsTheToken) {
    const WebResponse open = Respond(Get("/devices"), {}, kDevices);
    EXPECT_EQ(open.status, 200);
    EXPECT_EQ(open.contentType, "application/json");
    EXPECT_EQ(Header(open, "Cache-Control"), "no-store");
    EXPECT_EQ(open.body, R"({"devices":[{"name":"hall","address":"10.0.0.5:23134"},)"
                         R"({"name":"lab-2","address":"[fe80::1]:24000"}]})");

    AccessPolicy policy;
    policy.token = "0123456789abcdef";
    EXPECT_EQ(Respond(Get("/devices"), policy, kDevices).status, 401);
    WebRequest wrong = Get("/devices");
    wrong.authorization = "Bearer 0123456789abcdeX";
    EXPECT_EQ(Respond(wrong, policy, kDevices).status, 401);
    WebRequest right = Get("/devices");
    right.authorization = "Bearer 0123456789abcdef";
    EXPECT_EQ(Respond(right, policy, kDevices).status, 200);
    EXPECT_EQ(Respond(Get("/"), policy, kDevices).status, 200) << "the page itself is public";
}

TEST(TavrelinWebRoutes, RefusesOtherMethodsPathsAndHosts) {
    WebRequest post = Get("/");
    post.method = "POST";
    const WebResponse refused = Respond(post, {}, kDevices);
    EXPECT_EQ(refused.status, 405);
    EXPECT_EQ(Header(refused, "Allow"), "GET, HEAD");
    EXPECT_EQ(Respond(Get("/etc/passwd"), {}, kDevices).status, 404);
    EXPECT_EQ(Respond(Get("/../app.js"), {}, kDevices).status, 404);
    WebRequest rebound = Get("/");
    rebound.host = "attacker.example:8023";
    EXPECT_EQ(Respond(rebound, {}, kDevices).status, 403);
}

TEST(TavrelinWebRoutes, EveryAnswerForbidsFramingAndForeignContent) {
    std::map<std::string, std::string> headers;
    for (const auto& [name, value] : SecurityHeaders()) {
        headers[std::string(name)] = value;
    }
    EXPECT_EQ(headers["X-Content-Type-Options"], "nosniff");
    EXPECT_EQ(headers["X-Frame-Options"], "DENY");
    EXPECT_NE(headers["Content-Security-Policy"].find("default-src 'none'"), std::string::npos);
    EXPECT_NE(headers["Content-Security-Policy"].find("connect-src 'self'"), std::string::npos);
}

TEST(TavrelinWebRoutes, UpgradesNameADeviceAndComeFromTheOwnOrigin) {
    WebRequest request = Get("/ws/lab-2");
    request.origin = "http://127.0.0.1:8023";
    UpgradeDecision decision = DecideUpgrade(request, {}, kDevices);
    EXPECT_EQ(decision.status, 0);
    EXPECT_EQ(decision.device, 1u);
    EXPECT_EQ(decision.pace, Pace::kFull);

    request.target = "/ws/hall?view=thumbnail";
    decision = DecideUpgrade(request, {}, kDevices);
    EXPECT_EQ(decision.status, 0);
    EXPECT_EQ(decision.device, 0u);
    EXPECT_EQ(decision.pace, Pace::kThumbnail);

    request.target = "/ws/attic";
    EXPECT_EQ(DecideUpgrade(request, {}, kDevices).status, 404);
    request.target = "/devices";
    EXPECT_EQ(DecideUpgrade(request, {}, kDevices).status, 404);

    request.target = "/ws/hall";
    request.origin = "http://evil.example";
    EXPECT_EQ(DecideUpgrade(request, {}, kDevices).status, 403);
}

}  // namespace
}  // namespace brevanta::web

// Who may use the gateway: the secret, loopback addresses, the Origin of an upgrade and the Host
// of a request.
#include <gtest/gtest.h>

#include "tavrelin-web/access.h"

namespace brevanta::web {
namespace {

TEST(TavrelinWebAccess, LoopbackIsOnlyThisMachine) {
    EXPECT_TRUE(IsLoopbackAddress("127.0.0.1"));
    EXPECT_TRUE(IsLoopbackAddress("127.9.8.7"));
    EXPECT_TRUE(IsLoopbackAddress("::1"));
    EXPECT_TRUE(IsLoopbackAddress("localhost"));
    EXPECT_FALSE(IsLoopbackAddress("0.0.0.0"));
    EXPECT_FALSE(IsLoopbackAddress("::"));
    EXPECT_FALSE(IsLoopbackAddress("10.0.0.1"));
    EXPECT_FALSE(IsLoopbackAddress("127.evil.example"));
    EXPECT_FALSE(IsLoopbackAddress("128.0.0.1"));
}

TEST(TavrelinWebAccess, TheTokenIsTheFirstLineOfItsFile) {
    std::string error;
    EXPECT_EQ(TokenFromFile("  0123456789abcdef-more \r\nsecond line\n", &error),
              "0123456789abcdef-more");
    EXPECT_FALSE(TokenFromFile("short\n", &error));
    EXPECT_NE(error.find("16"), std::string::npos) << error;
    EXPECT_FALSE(TokenFromFile("", &error));
    EXPECT_FALSE(TokenFromFile(std::string(513, 'x'), &error));
}

TEST(TavrelinWebAccess, TokensMatchOnlyWhole) {
    EXPECT_TRUE(TokenMatches("0123456789abcdef", "0123456789abcdef"));
    EXPECT_FALSE(TokenMatches("0123456789abcdef", "0123456789abcdeF"));
    EXPECT_FALSE(TokenMatches("0123456789abcdef", "0123456789abcde"));
    EXPECT_FALSE(TokenMatches("0123456789abcdef", "0123456789abcdef0"));
    EXPECT_FALSE(TokenMatches("0123456789abcdef", ""));
    EXPECT_EQ(BearerToken("Bearer abc"), "abc");
    EXPECT_EQ(BearerToken("bearer abc"), "abc");
    EXPECT_EQ(BearerToken("Basic abc"), "");
    EXPECT_EQ(BearerToken("Bearer "), "");
}

TEST(TavrelinWebAccess, UpgradesComeFromTheGatewaysOwnPagesOrAllowedOrigins) {
    AccessPolicy policy;
    EXPECT_TRUE(OriginAllowed(policy, "http://127.0.0.1:8023", "127.0.0.1:8023"));
    EXPECT_TRUE(OriginAllowed(policy, "HTTP://LocalHost:8023", "localhost:8023"));
    EXPECT_TRUE(OriginAllowed(policy, "", "127.0.0.1:8023")) << "not a browser";
    EXPECT_FALSE(OriginAllowed(policy, "https://127.0.0.1:8023", "127.0.0.1:8023"))
        << "another scheme is another origin";
    EXPECT_FALSE(OriginAllowed(policy, "http://127.0.0.1:8024", "127.0.0.1:8023"));
    EXPECT_FALSE(OriginAllowed(policy, "http://evil.example", "127.0.0.1:8023"));
    EXPECT_FALSE(OriginAllowed(policy, "null", "127.0.0.1:8023"));
    EXPECT_FALSE(OriginAllowed(policy, "http://evil.example", ""));
    policy.secure = true;
    EXPECT_TRUE(OriginAllowed(policy, "https://device-gw:8023", "device-gw:8023"));
    policy.allowedOrigins = {"https://portal.example"};
    EXPECT_TRUE(OriginAllowed(policy, "https://portal.example", "device-gw:8023"));
}

TEST(TavrelinWebAccess, WithoutATokenOnlyLoopbackNamesAreServed) {
    AccessPolicy policy;
    EXPECT_TRUE(HostAllowed(policy, "127.0.0.1:8023"));
    EXPECT_TRUE(HostAllowed(policy, "localhost:8023"));
    EXPECT_TRUE(HostAllowed(policy, "[::1]:8023"));
    EXPECT_FALSE(HostAllowed(policy, "rebound.example:8023"));
    EXPECT_FALSE(HostAllowed(policy, "127.0.0.1.rebound.example:8023"));
    EXPECT_FALSE(HostAllowed(policy, ""));
    policy.allowedOrigins = {"http://gateway.lan:8023"};
    EXPECT_TRUE(HostAllowed(policy, "gateway.lan:8023"));
    policy.allowedOrigins.clear();
    policy.token = "0123456789abcdef";
    EXPECT_TRUE(HostAllowed(policy, "gateway.example:8023")) << "the token guards it then";
}

}  // namespace
}  // namespace brevanta::web

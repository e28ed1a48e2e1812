// The simulator's command line: defaults, every option in both spellings, and refusals.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brevanta-server/options.h"

namespace brevanta::server {
namespace {

CommandLine Parse(const std::vector<std::string>& words) {
    std::vector<std::string_view> args(words.begin(), words.end());
    return ParseCommandLine(args);
}

TEST(BrevantaServerOptions, DefaultsServeBothSidesOnTheProtocolPorts) {
    CommandLine line = Parse({"/srv/packages"});
    ASSERT_EQ(line.action, CommandLine::Action::kRun) << line.error;
    const Options& o = line.options;
    EXPECT_EQ(o.directory, "/srv/packages");
    EXPECT_EQ(o.tcpPort, 18898);
    EXPECT_EQ(o.udpPort, 52423);
    EXPECT_EQ(o.replyPort, 52422);
    EXPECT_EQ(o.bindAddress.s_addr, htonl(INADDR_ANY));
    EXPECT_EQ(o.reply, "BrevantaServer");
    EXPECT_TRUE(o.discovery);
    EXPECT_TRUE(o.transfer);
    EXPECT_FALSE(o.faults.refuse || o.faults.silent || o.faults.closeAfterResponse);
    EXPECT_FALSE(o.faults.closeAfter || o.faults.chunk || o.faults.pauseMs ||
                 o.faults.headerPieces || o.faults.announce || o.faults.rawHeader ||
                 o.faults.closeHeader);
    EXPECT_EQ(o.faults.extra, 0u);
}

TEST(BrevantaServerOptions, TakesValuesAsNextWordOrAfterEquals) {
    for (bool inlineValues : {false, true}) {
        std::vector<std::string> words;
        auto add = [&](const std::string& name, const std::string& value) {
            if (inlineValues) {
                words.push_back(name + "=" + value);
            } else {
                words.push_back(name);
                words.push_back(value);
            }
        };
        add("--tcp-port", "0");
        add("--udp-port", "40000");
        add("--reply-port", "40001");
        add("--bind", "10.213.0.2");
        add("--reply", "hello there");
        add("--close-after", "100");
        words.push_back("dir");
        add("--chunk", "7");
        add("--pause", "30");
        add("--header-pieces", "3");
        add("--extra", "5");
        add("--announce", "1000");
        add("--close-header", "4");
        for (const char* flag :
             {"--no-discovery", "--refuse", "--silent", "--close-after-response"}) {
            words.push_back(flag);
        }
        CommandLine line = Parse(words);
        ASSERT_EQ(line.action, CommandLine::Action::kRun) << line.error;
        const Options& o = line.options;
        EXPECT_EQ(o.directory, "dir");
        EXPECT_EQ(o.tcpPort, 0);
        EXPECT_EQ(o.udpPort, 40000);
        EXPECT_EQ(o.replyPort, 40001);
        char address[INET_ADDRSTRLEN];
        EXPECT_STREQ(inet_ntop(AF_INET, &o.bindAddress, address, sizeof address), "10.213.0.2");
        EXPECT_EQ(o.reply, "hello there");
        EXPECT_FALSE(o.discovery);
        EXPECT_TRUE(o.transfer);
        EXPECT_TRUE(o.faults.refuse && o.faults.silent && o.faults.closeAfterResponse);
        EXPECT_EQ(o.faults.closeAfter, 100u);
        EXPECT_EQ(o.faults.chunk, 7u);
        EXPECT_EQ(o.faults.pauseMs, 30u);
        EXPECT_EQ(o.faults.headerPieces, 3u);
        EXPECT_EQ(o.faults.extra, 5u);
        EXPECT_EQ(o.faults.announce, 1000u);
        EXPECT_EQ(o.faults.closeHeader, 4u);
    }
}

TEST(BrevantaServerOptions, RawHeaderMayBeEmptyOrLookLikeAnOption) {
    CommandLine line = Parse({"--raw-header", "", "d"});
    ASSERT_EQ(line.action, CommandLine::Action::kRun) << line.error;
    EXPECT_EQ(line.options.faults.rawHeader, "");
    line = Parse({"--raw-header=--5", "--", "-d"});
    ASSERT_EQ(line.action, CommandLine::Action::kRun) << line.error;
    EXPECT_EQ(line.options.faults.rawHeader, "--5");
    EXPECT_EQ(line.options.directory, "-d");
}

TEST(BrevantaServerOptions, HelpWinsOverEverythingElse) {
    EXPECT_EQ(Parse({"--help"}).action, CommandLine::Action::kHelp);
    EXPECT_EQ(Parse({"--frobnicate", "-h"}).action, CommandLine::Action::kError);
    EXPECT_EQ(Parse({"d", "-h"}).action, CommandLine::Action::kHelp);
    EXPECT_NE(UsageText("brevanta-server").find("--close-after-response"), std::string::npos);
}

TEST(BrevantaServerOptions, VersionIsAnsweredLikeHelp) {
    EXPECT_EQ(Parse({"--version"}).action, CommandLine::Action::kVersion);
    EXPECT_EQ(Parse({"d", "--version"}).action, CommandLine::Action::kVersion);
    EXPECT_EQ(Parse({"--version=1"}).action, CommandLine::Action::kError);
    EXPECT_TRUE(VersionText().starts_with("brevanta-server "));
    EXPECT_NE(UsageText("brevanta-server").find("--version"), std::string::npos);
}

TEST(BrevantaServerOptions, RefusesBadUsageWithAReason) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"a", "b"},
        {"--frobnicate", "d"},
        {"d", "--tcp-port"},
        {"--tcp-port", "65536", "d"},
        {"--tcp-port", "-1", "d"},
        {"--tcp-port", "12x", "d"},
        {"--tcp-port", "", "d"},
        {"--udp-port", "99999", "d"},
        {"--reply-port", "0", "d"},
        {"--bind", "300.1.1.1", "d"},
        {"--bind", "localhost", "d"},
        {"--reply", "", "d"},
        {"--reply", std::string(1025, 'r'), "d"},
        {"--chunk", "0", "d"},
        {"--header-pieces", "0", "d"},
        {"--announce", "9999999989", "d"},
        {"--pause", "600001", "d"},
        {"--refuse=yes", "d"},
        {"--no-discovery", "--no-transfer", "d"},
        {"--raw-header", "x", "--announce", "3", "d"},
    };
    for (const auto& words : cases) {
        CommandLine line = Parse(words);
        std::string shown;
        for (const std::string& word : words) {
            shown += "[" + word.substr(0, 20) + "]";
        }
        EXPECT_EQ(line.action, CommandLine::Action::kError) << shown;
        EXPECT_FALSE(line.error.empty()) << shown;
    }
}

}  // namespace
}  // namespace brevanta::server

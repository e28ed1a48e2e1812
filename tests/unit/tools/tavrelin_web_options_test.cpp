// The gateway's command line and device list file.
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "tavrelin-web/options.h"

namespace brevanta::web {
namespace {

CommandLine Parse(std::vector<std::string_view> args) {
    return ParseCommandLine(args);
}

TEST(TavrelinWebOptions, DefaultsListenOnLoopbackPort8023) {
    const CommandLine line = Parse({"--device", "hall=10.0.0.5"});
    ASSERT_EQ(line.action, CommandLine::Action::kRun) << line.error;
    EXPECT_EQ(line.options.listen, (ListenAddress{"127.0.0.1", 8023}));
    EXPECT_EQ(line.options.devices, (std::vector<DeviceConfig>{{"hall", "10.0.0.5", 23134}}));
    EXPECT_FALSE(line.options.tokenFile);
    EXPECT_FALSE(line.options.certFile);
}

TEST(TavrelinWebOptions, ReadsEveryOption) {
    const CommandLine line = Parse({"--device=a=host.lan:24000",
                                    "--device",
                                    "b=[fe80::2]",
                                    "--listen",
                                    "[::]:9000",
                                    "--token-file",
                                    "/etc/t",
                                    "--cert",
                                    "c.pem",
                                    "--key=k.pem",
                                    "--allow-origin",
                                    "https://portal.example",
                                    "--poll-ms",
                                    "8",
                                    "--thumbnail-ms=250",
                                    "--max-clients",
                                    "5",
                                    "--size",
                                    "320x240",
                                    "--config",
                                    "list.txt"});
    ASSERT_EQ(line.action, CommandLine::Action::kRun) << line.error;
    const Options& options = line.options;
    EXPECT_EQ(options.devices,
              (std::vector<DeviceConfig>{{"a", "host.lan", 24000}, {"b", "fe80::2", 23134}}));
    EXPECT_EQ(options.listen, (ListenAddress{"::", 9000}));
    EXPECT_EQ(options.tokenFile, "/etc/t");
    EXPECT_EQ(options.certFile, "c.pem");
    EXPECT_EQ(options.keyFile, "k.pem");
    EXPECT_EQ(options.allowedOrigins, std::vector<std::string>{"https://portal.example"});
    EXPECT_EQ(options.pollMs, 8);
    EXPECT_EQ(options.thumbnailMs, 250);
    EXPECT_EQ(options.maxClients, 5);
    EXPECT_EQ(options.size, (tavrelin::ScreenSize{320, 240}));
    EXPECT_EQ(options.configFiles, std::vector<std::string>{"list.txt"});
}

TEST(TavrelinWebOptions, HelpAndVersion) {
    EXPECT_EQ(Parse({"--help"}).action, CommandLine::Action::kHelp);
    EXPECT_EQ(Parse({"-h"}).action, CommandLine::Action::kHelp);
    EXPECT_EQ(Parse({"--version"}).action, CommandLine::Action::kVersion);
    EXPECT_NE(UsageText("tavrelin-web").find("--token-file"), std::string::npos);
}

TEST(TavrelinWebOptions, RefusesBadValues) {
    const std::vector<std::vector<std::string_view>> bad = {{"--device", "nohost"},
                                                            {"--device", "a b=host"},
                                                            {"--device", "a=host:0"},
                                                            {"--device", "a=host:65536"},
                                                            {"--device", "a=fe80::1"},
                                                            {"--device", "a="},
                                                            {"--device", "a/b=host"},
                                                            {"--listen", "127.0.0.1:x"},
                                                            {"--poll-ms", "0"},
                                                            {"--poll-ms", "5ms"},
                                                            {"--cert", "c.pem"},
                                                            {"--allow-origin", "portal.example"},
                                                            {"--size", "4x4"},
                                                            {"--frobnicate", "1"},
                                                            {"stray"},
                                                            {"--device"}};
    for (const auto& args : bad) {
        const CommandLine line = Parse(args);
        EXPECT_EQ(line.action, CommandLine::Action::kError) << args.front();
        EXPECT_FALSE(line.error.empty());
    }
}

TEST(TavrelinWebOptions, TheDeviceListFileHasOneDeviceALine) {
    std::vector<DeviceConfig> devices{{"first", "a", 1}};
    std::string error;
    ASSERT_TRUE(
        ParseDeviceList("# lab\n\n  hall = 10.0.0.5:23135 \r\nlab=lab.lan\n", &devices, &error))
        << error;
    EXPECT_EQ(devices,
              (std::vector<DeviceConfig>{
                  {"first", "a", 1}, {"hall", "10.0.0.5", 23135}, {"lab", "lab.lan", 23134}}));
    EXPECT_FALSE(ParseDeviceList("a=b\nbroken line\n", &devices, &error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
}

TEST(TavrelinWebOptions, DeviceNamesAreUniqueAndOneIsNeeded) {
    std::string error;
    EXPECT_FALSE(CheckDevices({}, &error));
    EXPECT_FALSE(CheckDevices({{"a", "x", 1}, {"a", "y", 2}}, &error));
    EXPECT_NE(error.find("twice"), std::string::npos);
    EXPECT_TRUE(CheckDevices({{"a", "x", 1}, {"b", "x", 1}}, &error));
}

}  // namespace
}  // namespace brevanta::web

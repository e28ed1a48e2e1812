// Scripted mode's command language and the viewer's command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tavrelin-viewer/options.h"
#include "tavrelin-viewer/script.h"

namespace brevanta::viewer {
namespace {

std::vector<Command> Parse(std::string_view text) {
    std::string error;
    auto commands = ParseScript(text, &error);
    EXPECT_TRUE(commands) << text << ": " << error;
    return commands.value_or(std::vector<Command>{});
}

TEST(TavrelinViewerScript, ParsesEveryCommandWithItsArguments) {
    const auto commands = Parse(
        "wait-frame; snapshot a.png; tap 120 140; wait-update 2000; snapshot b.png;"
        " move 10 10; down 10 10; up 0x10 10; wait 200; expect-mode 0x24\n"
        "# a comment; still a comment up to the separator\n"
        "  right-tap 1 2 ;right-down 3 4; right-up 5 6;; \n"
        "drag 1 2 3 4; drag 5 6 7 8 20; request; raw ffffffff 13010000 00000000;"
        "expect-size 272x480; expect-pixel 3 4 0xF800; tap-latency 5 10 20 30 40; stats;"
        "wait-idle; wait-idle 100 900; expect-update 50; wait-closed");
    ASSERT_EQ(commands.size(), 25u);
    const auto& c = commands;
    EXPECT_EQ(c[0].kind, CommandKind::kWaitFrame);
    EXPECT_FALSE(c[0].timeoutMs);
    EXPECT_EQ(c[1].kind, CommandKind::kSnapshot);
    EXPECT_EQ(c[1].path, "a.png");
    EXPECT_EQ(c[2].kind, CommandKind::kTap);
    EXPECT_EQ(c[2].points, (std::vector<Point>{{120, 140}}));
    EXPECT_EQ(c[2].text, "tap 120 140");
    EXPECT_EQ(c[3].kind, CommandKind::kWaitUpdate);
    EXPECT_EQ(c[3].timeoutMs, 2000);
    EXPECT_EQ(c[5].kind, CommandKind::kMove);
    EXPECT_EQ(c[6].kind, CommandKind::kDown);
    EXPECT_EQ(c[7].kind, CommandKind::kUp);
    EXPECT_EQ(c[7].points, (std::vector<Point>{{16, 10}}));
    EXPECT_EQ(c[8].kind, CommandKind::kWait);
    EXPECT_EQ(c[8].durationMs, 200);
    EXPECT_EQ(c[9].kind, CommandKind::kExpectMode);
    EXPECT_EQ(c[9].value, 0x24u);
    EXPECT_EQ(c[10].kind, CommandKind::kRightTap);
    EXPECT_EQ(c[10].text, "right-tap 1 2");
    EXPECT_EQ(c[11].kind, CommandKind::kRightDown);
    EXPECT_EQ(c[12].kind, CommandKind::kRightUp);
    EXPECT_EQ(c[13].kind, CommandKind::kDrag);
    EXPECT_EQ(c[13].points, (std::vector<Point>{{1, 2}, {3, 4}}));
    EXPECT_EQ(c[13].count, 8);
    EXPECT_EQ(c[14].count, 20);
    EXPECT_EQ(c[15].kind, CommandKind::kRequest);
    EXPECT_EQ(c[16].kind, CommandKind::kRaw);
    EXPECT_EQ(c[16].bytes,
              (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0x13, 0x01, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c[17].size, (ScreenSize{272, 480}));
    EXPECT_EQ(c[18].points, (std::vector<Point>{{3, 4}}));
    EXPECT_EQ(c[18].value, 0xF800u);
    EXPECT_EQ(c[19].kind, CommandKind::kTapLatency);
    EXPECT_EQ(c[19].count, 5);
    EXPECT_EQ(c[19].points, (std::vector<Point>{{10, 20}, {30, 40}}));
    EXPECT_EQ(c[20].kind, CommandKind::kStats);
    EXPECT_EQ(c[21].kind, CommandKind::kWaitIdle);
    EXPECT_EQ(c[21].durationMs, 300);
    EXPECT_FALSE(c[21].timeoutMs);
    EXPECT_EQ(c[22].durationMs, 100);
    EXPECT_EQ(c[22].timeoutMs, 900);
    EXPECT_EQ(c[23].kind, CommandKind::kExpectUpdate);
    EXPECT_EQ(c[24].kind, CommandKind::kWaitClosed);
}

TEST(TavrelinViewerScript, EmptyScriptsAndCommentsOnlyAreNoCommands) {
    EXPECT_TRUE(Parse("").empty());
    EXPECT_TRUE(Parse(" ;\n; # nothing\n\t").empty());
}

TEST(TavrelinViewerScript, RefusesUnknownCommandsAndBadArguments) {
    for (const char* text : {
             "jump 1 2",
             "tap",
             "tap 1",
             "tap 1 2 3",
             "tap -1 2",
             "tap 65536 0",
             "tap x 2",
             "wait",
             "wait -5",
             "wait 1 2",
             "wait-frame soon",
             "snapshot",
             "snapshot a b",
             "drag 1 2 3",
             "drag 1 2 3 4 0",
             "raw",
             "raw fff",
             "raw zz",
             "expect-mode 256",
             "expect-mode",
             "expect-size 272",
             "expect-size 0x480",
             "expect-size 0x10x20",
             "expect-pixel 1 2",
             "expect-pixel 1 2 0x10000",
             "tap-latency 0 1 2",
             "tap-latency 3",
             "tap-latency 3 1",
             "wait-idle 0",
             "request now",
             "stats 1",
             "wait-frame 1; bogus",
         }) {
        std::string error;
        EXPECT_FALSE(ParseScript(text, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

CommandLine ParseLine(const std::vector<std::string>& words) {
    std::vector<std::string_view> args(words.begin(), words.end());
    return ParseCommandLine(args);
}

TEST(TavrelinViewerOptions, DefaultsAndValues) {
    CommandLine defaults = ParseLine({});
    ASSERT_EQ(defaults.action, CommandLine::Action::kRun) << defaults.error;
    EXPECT_EQ(defaults.options.host, "127.0.0.1");
    EXPECT_EQ(defaults.options.port, 23134);
    EXPECT_EQ(defaults.options.scale, 1);
    EXPECT_EQ(defaults.options.pollMs, 40);
    EXPECT_FALSE(defaults.options.size || defaults.options.script || defaults.options.stats);

    CommandLine line = ParseLine({"--port=4000", "device", "--scale", "3", "--size", "640x480",
                                  "--poll-ms", "0", "--timeout=900", "--stats", "--script",
                                  "tap 1 2", "--quiet-frames", "--settle-ms", "20"});
    ASSERT_EQ(line.action, CommandLine::Action::kRun) << line.error;
    const Options& o = line.options;
    EXPECT_EQ(o.host, "device");
    EXPECT_EQ(o.port, 4000);
    EXPECT_EQ(o.scale, 3);
    EXPECT_EQ(o.size, (ScreenSize{640, 480}));
    EXPECT_EQ(o.pollMs, 0);
    EXPECT_EQ(o.timeoutMs, 900);
    EXPECT_EQ(o.settleMs, 20);
    EXPECT_TRUE(o.stats && o.quietFrames);
    EXPECT_EQ(o.script, "tap 1 2");
    EXPECT_EQ(ParseLine({"-h"}).action, CommandLine::Action::kHelp);
    EXPECT_EQ(ParseLine({"host", "--version"}).action, CommandLine::Action::kVersion);
    EXPECT_TRUE(VersionText().starts_with("tavrelin-viewer "));
}

TEST(TavrelinViewerOptions, RefusesBadValues) {
    for (const std::vector<std::string>& words :
         std::vector<std::vector<std::string>>{{"--port", "0"},
                                               {"--port", "70000"},
                                               {"--scale", "0"},
                                               {"--size", "4x4"},
                                               {"--size", "640"},
                                               {"--size", "5000x10"},
                                               {"--timeout", "0"},
                                               {"--port"},
                                               {"--bogus"},
                                               {"a", "b"},
                                               {"--script", "x", "--script-file", "y"}}) {
        CommandLine line = ParseLine(words);
        EXPECT_EQ(line.action, CommandLine::Action::kError) << words.front();
        EXPECT_FALSE(line.error.empty());
    }
}

}  // namespace
}  // namespace brevanta::viewer

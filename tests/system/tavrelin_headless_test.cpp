// Tavrelin on the headless screen at each device size, with the viewer as its peer: what the
// viewer shows is what the screen shows, taps through the viewer land on the control window, a
// second instance steps aside, a rotation restarts the server and garbage never stops it.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>

#include "tavrelin_under_test.h"
#include "test_files.h"
#include "wait_until.h"

namespace {

using namespace std::chrono_literals;
using brevanta::test::NonWhiteBands;
using brevanta::test::ReadPng;
using brevanta::test::RunViewer;
using brevanta::test::TavrelinUnderTest;
using brevanta::test::ViewerRun;

struct DeviceSize {
    const char* screen;
    int width;
    int height;
    int modeByte;  // at 0 degrees
};

class TavrelinHeadlessSizeTest : public ::testing::TestWithParam<DeviceSize> {};

TEST_P(TavrelinHeadlessSizeTest, FirstFrameCarriesTheScreenAsItIs) {
    const DeviceSize size = GetParam();
    TavrelinUnderTest server;
    ASSERT_TRUE(server.StartHeadless({}, size.screen));
    ASSERT_TRUE(TavrelinUnderTest::WaitUntilListening());
    const auto screen = server.Screen();
    ASSERT_TRUE(screen);

    // The viewer keeps its connection while the test compares: the status line names it then.
    const std::string snapshot = server.Folder() + "/settled.png";
    char mode[8];
    std::snprintf(mode, sizeof mode, "0x%02x", size.modeByte);
    brevanta::test::ChildProcess viewer;
    ASSERT_TRUE(brevanta::test::StartViewer(
        viewer, "wait-frame; expect-mode " + std::string(mode) + "; expect-size " + size.screen +
                    "; wait-idle 300; snapshot " + snapshot + "; wait 20000"));
    const auto first = viewer.WaitForPrefix("frame", 10s);
    ASSERT_TRUE(first) << ::testing::PrintToString(viewer.Lines());
    // Connecting changes only the status line's colour and text, so the bands that are not
    // white are the same as before.
    EXPECT_EQ(ViewerRun::Field(*first, "bands"), NonWhiteBands(*screen));
    ASSERT_TRUE(viewer.WaitForPrefix("snapshot", 10s)) << ::testing::PrintToString(viewer.Lines());
    const auto connected = server.Screen();
    const auto picture = ReadPng(snapshot);
    ASSERT_TRUE(connected && picture);
    EXPECT_TRUE(brevanta::test::Same565(*picture, *connected));
    viewer.Stop();
    EXPECT_TRUE(server.Running());
}

INSTANTIATE_TEST_SUITE_P(Sizes, TavrelinHeadlessSizeTest,
                         ::testing::Values(DeviceSize{"240x320", 240, 320, 0x04},
                                           DeviceSize{"320x240", 320, 240, 0x14},
                                           DeviceSize{"272x480", 272, 480, 0x24},
                                           DeviceSize{"480x272", 480, 272, 0x44}),
                         [](const auto& param) { return std::string(param.param.screen); });

class TavrelinHeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.StartHeadless());
        ASSERT_TRUE(TavrelinUnderTest::WaitUntilListening());
    }

    std::string Centre(const std::string& control) {
        const auto found = m_server.Control(control);
        if (!found) {
            return "0 0";
        }
        return std::to_string((found->left + found->right) / 2) + " " +
               std::to_string((found->top + found->bottom) / 2);
    }

    TavrelinUnderTest m_server;
};

TEST_F(TavrelinHeadlessTest, ShowsAddressVersionAndTheViewer) {
    const auto address = m_server.Controls();
    ASSERT_EQ(address.size(), 5u);
    EXPECT_TRUE(address[3].text.starts_with("IP: ")) << address[3].text;
    EXPECT_TRUE(address[3].text.ends_with(" Version: 2.0.2.0")) << address[3].text;
    EXPECT_EQ(address[4].text, "Waiting...");

    // While a viewer is connected the status line names it by the address it comes from;
    // afterwards it waits again.
    brevanta::test::ChildProcess viewer;
    ASSERT_TRUE(brevanta::test::StartViewer(viewer, "wait-frame; wait 20000"));
    ASSERT_TRUE(viewer.WaitForPrefix("frame", 10s)) << ::testing::PrintToString(viewer.Lines());
    EXPECT_TRUE(m_server.Control("Client: 127.0.0.1").has_value());
    viewer.Stop();
    ASSERT_TRUE(TavrelinUnderTest::WaitUntilListening());
    EXPECT_TRUE(
        brevanta::test::WaitUntil([&] { return m_server.Control("Waiting...").has_value(); }));
}

TEST_F(TavrelinHeadlessTest, TapOnStopThroughTheViewerStopsTheServer) {
    const ViewerRun run = RunViewer("wait-frame; tap " + Centre("Stop") + "; wait-closed 5000");
    ASSERT_EQ(run.exitCode, 0) << ::testing::PrintToString(run.lines);
    EXPECT_TRUE(TavrelinUnderTest::WaitUntilListening(false));
    EXPECT_EQ(RunViewer("wait-frame 500", {"--connect-timeout", "500"}).exitCode, 3)
        << "nothing listens after Stop";

    // Start on the device itself listens again.
    const auto start = m_server.Control("Start");
    ASSERT_TRUE(start);
    ASSERT_TRUE(m_server.Tap((start->left + start->right) / 2, (start->top + start->bottom) / 2));
    EXPECT_TRUE(TavrelinUnderTest::WaitUntilListening());
    EXPECT_EQ(RunViewer("wait-frame").exitCode, 0);
}

TEST_F(TavrelinHeadlessTest, ExitThroughTheViewerEndsTheProgramWithZero) {
    RunViewer("wait-frame; tap " + Centre("Exit") + "; wait-closed 5000");
    EXPECT_EQ(m_server.WaitForExit(10s), 0);
}

TEST_F(TavrelinHeadlessTest, SecondInstanceEndsAtOnceWithZero) {
    brevanta::test::TemporaryDirectory objects;
    TavrelinUnderTest first(objects.Path());
    TavrelinUnderTest second(objects.Path());
    m_server.Process().Stop();
    ASSERT_TRUE(TavrelinUnderTest::WaitUntilListening(false));
    ASSERT_TRUE(first.StartHeadless());
    ASSERT_TRUE(TavrelinUnderTest::WaitUntilListening());
    EXPECT_FALSE(second.StartHeadless()) << "it ends before it shows anything";
    EXPECT_EQ(second.WaitForExit(10s), 0);
    EXPECT_TRUE(first.Running());
}

TEST_F(TavrelinHeadlessTest, RotationRestartsWithTheNewModeByte) {
    ASSERT_EQ(RunViewer("wait-frame; expect-mode 0x24").exitCode, 0);
    ASSERT_EQ(m_server.Command("screen 480x272"), std::vector<std::string>{"ok"});
    ASSERT_TRUE(TavrelinUnderTest::WaitUntilListening());
    EXPECT_TRUE(brevanta::test::WaitUntil([] {
        return RunViewer("wait-frame 2000; expect-mode 0x44; expect-size 480x272").exitCode == 0;
    }));
    ASSERT_EQ(m_server.Command("screen 480x272 orientation 90"), std::vector<std::string>{"ok"});
    EXPECT_TRUE(brevanta::test::WaitUntil(
        [] { return RunViewer("wait-frame 2000; expect-mode 0x40").exitCode == 0; }));
}

TEST_F(TavrelinHeadlessTest, GarbageNeverStopsTheServer) {
    std::mt19937 random(7);
    std::string hex;
    for (int i = 0; i < 600; ++i) {
        char byte[3];
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned>(random() & 0xFF));
        hex += byte;
        hex += (i % 40 == 39) ? "; raw " : "";
    }
    // Markers and wild coordinates among the noise, and a record split by a marker.
    hex += "; raw ffffffff01020000 ffffffff ffffffff00020000ffffffff";
    const ViewerRun noisy = RunViewer("raw " + hex + "; wait 200");
    EXPECT_NE(noisy.exitCode, 4);
    ASSERT_TRUE(TavrelinUnderTest::WaitUntilListening());
    EXPECT_TRUE(m_server.Running());
    EXPECT_EQ(RunViewer("wait-frame").exitCode, 0);
}

// A remote access named that is none: the program ends at once, saying why (on standard error,
// merged into the output here), and never serves with another.
TEST(TavrelinRemoteChoiceTest, AnUnknownRemoteAccessEndsTheProgramWithTheReason) {
    brevanta::test::TemporaryDirectory objects;
    brevanta::test::ChildProcess program;
    ASSERT_TRUE(program.Start(
        {"/bin/sh", "-c", "exec \"$0\" 2>&1", BREVANTA_TAVRELIN_PATH}, {},
        {"CE_DISPLAY=headless", "CE_REMOTE=framebuffer", "CE_OBJECTS_DIR=" + objects.Path()}));
    const auto reason = program.WaitForLine(
        [](const std::string& line) {
            return line.find("CE_REMOTE=framebuffer") != std::string::npos;
        },
        10s);
    EXPECT_TRUE(reason) << ::testing::PrintToString(program.Lines());
    EXPECT_EQ(program.WaitForExit(10s), 1);
}

}  // namespace

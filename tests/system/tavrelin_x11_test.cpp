// Tavrelin on a real X display (Xvfb), capturing the root window and injecting the viewer's
// pointer through XTest, with the viewer as its peer.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "tavrelin_under_test.h"
#include "test_files.h"
#include "wait_until.h"
#include "x11_screen.h"
#include "xvfb_process.h"

namespace {

using namespace std::chrono_literals;
using brevanta::test::ChildProcess;
using brevanta::test::RunViewer;
using brevanta::test::TavrelinUnderTest;
using brevanta::test::ViewerRun;
using brevanta::test::WaitUntil;

struct DisplayCase {
    const char* name;
    int width;
    int height;
    int depth;
    int modeByte;
};

struct Centre {
    int x = 0;
    int y = 0;
    std::string Text() const { return std::to_string(x) + " " + std::to_string(y); }
};

// Where controls of the window sit on the screen: the window and its layout are the same on
// every display, so a headless run tells. Empty when one of them is not found.
std::vector<Centre> ControlCentres(const std::vector<std::string>& texts) {
    TavrelinUnderTest probe;
    std::vector<Centre> centres;
    if (!probe.StartHeadless()) {
        return centres;
    }
    for (const std::string& text : texts) {
        const auto control = probe.Control(text);
        if (!control) {
            return {};
        }
        centres.push_back(
            {(control->left + control->right) / 2, (control->top + control->bottom) / 2});
    }
    return centres;
}

// The pixels of a rectangle of a screenshot; a smaller one where the rectangle reaches beyond.
brevanta::test::Screenshot Crop(const brevanta::test::Screenshot& from, int left, int top,
                                int width, int height) {
    brevanta::test::Screenshot part;
    part.width = std::max(0, std::min(width, from.width - left));
    part.height = std::max(0, std::min(height, from.height - top));
    for (int y = 0; y < part.height; ++y) {
        for (int x = 0; x < part.width; ++x) {
            part.pixels.push_back(from.At(left + x, top + y));
        }
    }
    return part;
}

class TavrelinX11Test : public ::testing::TestWithParam<DisplayCase> {
protected:
    void Start(const DisplayCase& display) {
        std::string error;
        ASSERT_TRUE(m_xvfb.Start(display.width, display.height, display.depth, &error)) << error;
        m_screen = std::make_unique<brevanta::test::X11Screen>(m_xvfb.DisplayName());
        ASSERT_TRUE(m_screen->Connected());
        ASSERT_TRUE(m_server.StartX11(m_xvfb.DisplayName()));
        ASSERT_TRUE(TavrelinUnderTest::WaitUntilListening());
    }

    brevanta::test::XvfbProcess m_xvfb;
    std::unique_ptr<brevanta::test::X11Screen> m_screen;
    brevanta::test::TemporaryDirectory m_objects;
    TavrelinUnderTest m_server{m_objects.Path()};
};

TEST_P(TavrelinX11Test, PictureEqualsTheRootWindow) {
    const DisplayCase display = GetParam();
    Start(display);
    const std::string snapshot = m_server.Folder() + "/settled.png";
    char mode[8];
    std::snprintf(mode, sizeof mode, "0x%02x", display.modeByte);
    ChildProcess viewer;
    ASSERT_TRUE(brevanta::test::StartViewer(viewer, "wait-frame; expect-mode " + std::string(mode) +
                                                        "; wait-idle 300; snapshot " + snapshot +
                                                        "; wait 20000"));
    ASSERT_TRUE(viewer.WaitForPrefix("snapshot", 15s)) << ::testing::PrintToString(viewer.Lines());
    const auto root = m_screen->Capture();
    const auto picture = brevanta::test::ReadPng(snapshot);
    ASSERT_TRUE(root && picture);
    EXPECT_TRUE(brevanta::test::Same565(*picture, *root));
    EXPECT_EQ(m_screen->MappedWindows("Quintaro").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Displays, TavrelinX11Test,
                         ::testing::Values(DisplayCase{"d240x320x16", 240, 320, 16, 0x04},
                                           DisplayCase{"d320x240x16", 320, 240, 16, 0x14},
                                           DisplayCase{"d272x480x16", 272, 480, 16, 0x24},
                                           DisplayCase{"d480x272x16", 480, 272, 16, 0x44},
                                           DisplayCase{"d480x272x24", 480, 272, 24, 0x44}),
                         [](const auto& param) { return std::string(param.param.name); });

class TavrelinX11DeviceTest : public TavrelinX11Test {
protected:
    void SetUp() override {
        const std::vector<Centre> centres = ControlCentres({"Stop", "Start"});
        ASSERT_EQ(centres.size(), 2u);
        m_stop = centres[0];
        m_start = centres[1];
        Start(DisplayCase{"device", 272, 480, 16, 0x24});
    }

    Centre m_stop;
    Centre m_start;
};

TEST_F(TavrelinX11DeviceTest, TapOnStopThroughTheViewerStopsTheServer) {
    const ViewerRun run = RunViewer("wait-frame; tap " + m_stop.Text() + "; wait-closed 5000");
    ASSERT_EQ(run.exitCode, 0) << ::testing::PrintToString(run.lines);
    EXPECT_TRUE(TavrelinUnderTest::WaitUntilListening(false));
    EXPECT_TRUE(m_server.Running());
}

TEST_F(TavrelinX11DeviceTest, SecondInstanceOnTheSameDisplayEndsWithZero) {
    TavrelinUnderTest second(m_objects.Path());
    ASSERT_TRUE(second.StartX11(m_xvfb.DisplayName()));
    EXPECT_EQ(second.WaitForExit(10s), 0);
    EXPECT_EQ(m_screen->MappedWindows("Quintaro").size(), 1u);
}

// The viewer's window, on a desktop of its own: Stop on the device drops it, and it says in its
// title that it is reconnecting and tries again by itself until Start serves it the screen.
TEST_F(TavrelinX11DeviceTest, TheViewersWindowComesBackByItselfAfterStopAndStart) {
    brevanta::test::XvfbProcess desk;
    std::string error;
    ASSERT_TRUE(desk.Start(400, 600, 16, &error)) << error;
    brevanta::test::X11Screen deskScreen(desk.DisplayName());
    ASSERT_TRUE(deskScreen.Connected());
    ChildProcess viewer;
    ASSERT_TRUE(brevanta::test::StartViewer(viewer, "", {"--display", desk.DisplayName()}));

    const auto title = [&] {
        const auto windows = deskScreen.MappedWindows("");
        return windows.empty() ? std::string() : windows.front().text;
    };
    const auto showsTheDevice = [&] {
        const auto windows = deskScreen.MappedWindows("");
        const auto device = m_screen->Capture();
        const auto shown = deskScreen.Capture();
        return !windows.empty() && device && shown &&
               brevanta::test::Same565(
                   *device, Crop(*shown, windows.front().left, windows.front().top, device->width,
                                 device->height));
    };
    ASSERT_TRUE(WaitUntil(showsTheDevice, 15s)) << title();

    m_screen->Click(m_stop.x, m_stop.y);
    EXPECT_TRUE(WaitUntil([&] { return title().find("(reconnecting: ") != std::string::npos; }))
        << title();
    m_screen->Click(m_start.x, m_start.y);
    EXPECT_TRUE(WaitUntil(
        [&] { return title().find("reconnecting") == std::string::npos && showsTheDevice(); }, 15s))
        << title();
    int connections = 0;
    viewer.WaitForLine(
        [&](const std::string& line) {
            connections += line.starts_with("connected ") ? 1 : 0;
            return connections == 2;
        },
        5s);
    EXPECT_EQ(connections, 2) << ::testing::PrintToString(viewer.Lines());
}

// Another program's window of that class and title on the display: a start brings it forward
// and ends, even when no instance holds the mutex.
TEST(TavrelinX11ForeignWindowTest, AWindowOfTheNameIsBroughtForward) {
    brevanta::test::XvfbProcess xvfb;
    std::string error;
    ASSERT_TRUE(xvfb.Start(272, 480, 16, &error)) << error;
    Display* display = XOpenDisplay(xvfb.DisplayName().c_str());
    ASSERT_NE(display, nullptr);
    const Window root = DefaultRootWindow(display);
    auto makeWindow = [&](int x) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        const Window window =
            XCreateWindow(display, root, x, 100, 50, 50, 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWOverrideRedirect, &attributes);
        XMapWindow(display, window);
        return window;
    };
    const Window named = makeWindow(0);
    char className[] = "Quintaro";
    XClassHint hint{className, className};
    XSetClassHint(display, named, &hint);
    XStoreName(display, named, "Quintaro");
    const Window above = makeWindow(20);  // covers it until it is raised
    XSync(display, False);

    TavrelinUnderTest server;
    ASSERT_TRUE(server.StartX11(xvfb.DisplayName()));
    EXPECT_EQ(server.WaitForExit(10s), 0);
    EXPECT_TRUE(WaitUntil([&] {
        Window rootReturn = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(display, root, &rootReturn, &parent, &children, &count);
        const bool namedOnTop = count > 0 && children[count - 1] == named;
        XFree(children);
        return namedOnTop;
    }));
    XDestroyWindow(display, above);
    XCloseDisplay(display);
}

// An X display that cannot be reached, asked for by name: the program does not fall back to
// another display but ends at once, saying why (on standard error, merged into the output here).
TEST(TavrelinX11UnreachableTest, EndsWithTheReasonInsteadOfFallingBack) {
    brevanta::test::TemporaryDirectory objects;
    ChildProcess program;
    ASSERT_TRUE(
        program.Start({"/bin/sh", "-c", "exec \"$0\" 2>&1", BREVANTA_TAVRELIN_PATH}, {},
                      {"CE_DISPLAY=x11", "DISPLAY=:424242", "CE_OBJECTS_DIR=" + objects.Path()}));
    const auto reason = program.WaitForLine(
        [](const std::string& line) {
            return line.find("CE_DISPLAY=x11") != std::string::npos &&
                   line.find(":424242") != std::string::npos;
        },
        10s);
    EXPECT_TRUE(reason) << ::testing::PrintToString(program.Lines());
    EXPECT_EQ(program.WaitForExit(10s), 1);
}

}  // namespace

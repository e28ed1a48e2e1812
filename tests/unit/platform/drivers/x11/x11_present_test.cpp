// Pixels on the screen: what Present shows at each visual format, with and without MIT-SHM.
#include "x11_test_fixture.h"

#include <chrono>
#include <cstdio>
#include <ostream>
#include <vector>

#include "drivers/x11/x11_pixel_format.h"
#include "wait_until.h"

namespace ce::drivers::x11::test {
namespace {

class X11PresentTest : public X11DriverTest, public ::testing::WithParamInterface<ServerSetup> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartServer(GetParam().depth, GetParam().arguments));
    }
};

RECT Moved(const RECT& rect, LONG x, LONG y) {
    return RECT{x, y, x + rect.right - rect.left, y + rect.bottom - rect.top};
}

// An odd width makes the image's rows padded at depth 16.
TEST_P(X11PresentTest, ShowsPresentedPartsAtTheWindowsPlace) {
    const RECT rect{30, 40, 67, 63};
    PatternSurface shown(37, 23, 1);
    m_driver->UpdateWindow(MakeWindow(0x10, rect, u"present"), shown.surface);
    m_driver->Present(0x10, shown.surface->Bounds());
    ASSERT_TRUE(WaitUntilScreenShows(rect, *shown.surface));

    const Window window = FindXWindow("present");
    ASSERT_NE(window, 0u);
    XWindowAttributes attributes{};
    ASSERT_NE(XGetWindowAttributes(m_probe, window, &attributes), 0);
    EXPECT_TRUE(attributes.override_redirect);
    EXPECT_EQ(attributes.x, 30);
    EXPECT_EQ(attributes.y, 40);
    EXPECT_EQ(attributes.width, 37);
    EXPECT_EQ(attributes.height, 23);

    // Only the named part reaches the screen, even though the whole surface changed.
    PatternSurface expected(37, 23, 1);
    const RECT part{5, 3, 20, 11};
    shown.Paint(shown.surface->Bounds(), 2);
    expected.Paint(part, 2);
    m_driver->Present(0x10, part);
    EXPECT_TRUE(WaitUntilScreenShows(rect, *expected.surface));

    const RECT moved = Moved(rect, 100, 200);
    m_driver->UpdateWindow(MakeWindow(0x10, moved, u"present"), shown.surface);
    m_driver->Present(0x10, shown.surface->Bounds());
    EXPECT_TRUE(WaitUntilScreenShows(moved, *shown.surface));

    TopLevelWindow hidden = MakeWindow(0x10, moved, u"present");
    hidden.visible = false;
    m_driver->UpdateWindow(hidden, shown.surface);
    EXPECT_TRUE(brevanta::test::WaitUntil([&] { return !IsOnScreen(window); }));
    m_driver->RemoveWindow(0x10);
    EXPECT_TRUE(brevanta::test::WaitUntil([&] { return FindXWindow("present") == 0; }));
}

TEST_P(X11PresentTest, RepaintsWhatAnotherWindowUncovers) {
    // Expose events reach the driver on its input thread.
    m_driver->Start(m_sink);
    const RECT rect{10, 10, 110, 90};
    PatternSurface shown(100, 80, 3);
    m_driver->UpdateWindow(MakeWindow(0x20, rect, u"covered"), shown.surface);
    m_driver->Present(0x20, shown.surface->Bounds());
    ASSERT_TRUE(WaitUntilScreenShows(rect, *shown.surface));

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = WhitePixel(m_probe, DefaultScreen(m_probe));
    const Window cover =
        XCreateWindow(m_probe, DefaultRootWindow(m_probe), 40, 30, 50, 40, 0, CopyFromParent,
                      InputOutput, nullptr, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapWindow(m_probe, cover);
    XSync(m_probe, False);
    ASSERT_FALSE(ScreenShows(rect, *shown.surface));
    XDestroyWindow(m_probe, cover);
    XSync(m_probe, False);
    EXPECT_TRUE(WaitUntilScreenShows(rect, *shown.surface));
}

// A figure for the report, not a pass/fail measure.
TEST_P(X11PresentTest, FullFramePresentFigure) {
    constexpr int kFrames = 100;
    const RECT screen{0, 0, 272, 480};
    PatternSurface frame(272, 480, 4);
    m_driver->UpdateWindow(MakeWindow(0x30, screen, u"frame"), frame.surface);
    m_driver->Present(0x30, screen);
    ASSERT_TRUE(WaitUntilScreenShows(screen, *frame.surface));

    using Clock = std::chrono::steady_clock;
    const PixelLayout layout =
        GetParam().depth == 16 ? PixelLayout::kRgb565 : PixelLayout::kXrgb8888;
    std::vector<char> image(272 * 4 * 480);
    auto start = Clock::now();
    for (int i = 0; i < kFrames; ++i) {
        ConvertRect(*frame.surface, screen, layout, image.data(), 272 * 4);
    }
    const auto convert = (Clock::now() - start) / kFrames;
    start = Clock::now();
    for (int i = 0; i < kFrames; ++i) {
        m_driver->Present(0x30, screen);
    }
    const auto present = (Clock::now() - start) / kFrames;
    std::printf("[ figure ] %s: 272x480 frame: convert %.1f us, convert and put %.1f us\n",
                GetParam().name, std::chrono::duration<double, std::micro>(convert).count(),
                std::chrono::duration<double, std::micro>(present).count());
    EXPECT_TRUE(WaitUntilScreenShows(screen, *frame.surface));
}

INSTANTIATE_TEST_SUITE_P(
    Visuals, X11PresentTest,
    ::testing::Values(ServerSetup{"Depth16", 16, {}}, ServerSetup{"Depth24", 24, {}},
                      ServerSetup{"Depth24WithoutShm", 24, {"-extension", "MIT-SHM"}}),
    [](const ::testing::TestParamInfo<ServerSetup>& setup) {
        return std::string(setup.param.name);
    });

}  // namespace
}  // namespace ce::drivers::x11::test

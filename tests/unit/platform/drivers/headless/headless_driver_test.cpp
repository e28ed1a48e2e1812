// The headless screen: composition of top-level windows, presentation and injected input.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "drivers/headless/headless_driver.h"
#include "top_level_window_support.h"

namespace ce::drivers {
namespace {

using test::Filled;
using test::Window;

constexpr gdi::Pixel kRed = gdi::ToPixel(RGB(255, 0, 0));
constexpr gdi::Pixel kBlue = gdi::ToPixel(RGB(0, 0, 255));

std::unique_ptr<HeadlessDriver> MakeScreen(SIZE size = SIZE{40, 30}) {
    std::string error;
    auto driver = HeadlessDriver::Create(HeadlessOptions{size, {}}, &error);
    EXPECT_NE(driver, nullptr) << error;
    return driver;
}

TEST(HeadlessScreenSize, ParsesWidthByHeight) {
    struct Case {
        const char* text;
        bool valid;
        LONG width;
        LONG height;
    };
    const Case cases[] = {
        {"272x480", true, 272, 480}, {"480x272", true, 480, 272}, {"1x1", true, 1, 1},
        {"0x480", false, 0, 0},      {"272x", false, 0, 0},       {"272*480", false, 0, 0},
        {"272x480x2", false, 0, 0},  {"-2x5", false, 0, 0},       {"", false, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto size = ParseScreenSize(c.text);
        ASSERT_EQ(size.has_value(), c.valid);
        if (size) {
            EXPECT_EQ(size->cx, c.width);
            EXPECT_EQ(size->cy, c.height);
        }
    }
}

TEST(HeadlessDriverTest, CompositesShownWindowsInStackingOrderOverBlack) {
    auto screen = MakeScreen();
    EXPECT_EQ(screen->ScreenSize().cx, 40);
    screen->UpdateWindow(Window(1, RECT{0, 0, 20, 20}), Filled(20, 20, kRed));
    screen->UpdateWindow(Window(2, RECT{10, 10, 30, 30}), Filled(20, 20, kBlue));

    const WindowId redOnTop[] = {1, 2};
    screen->Restack(redOnTop);
    EXPECT_EQ(screen->PixelAt(15, 15), kRed);
    EXPECT_EQ(screen->PixelAt(25, 25), kBlue);
    EXPECT_EQ(screen->PixelAt(35, 5), 0) << "black where no window is";

    const WindowId blueOnTop[] = {2, 1};
    screen->Restack(blueOnTop);
    EXPECT_EQ(screen->PixelAt(15, 15), kBlue);
    EXPECT_EQ(screen->PixelAt(5, 5), kRed);
    ASSERT_EQ(screen->VisibleWindows().size(), 2u);
    EXPECT_EQ(screen->VisibleWindows()[0].id, 2u);

    screen->UpdateWindow(Window(2, RECT{10, 10, 30, 30}, false), Filled(20, 20, kBlue));
    EXPECT_EQ(screen->PixelAt(15, 15), kRed) << "a hidden window is not drawn";
    EXPECT_EQ(screen->PixelAt(25, 25), 0);

    screen->RemoveWindow(1);
    EXPECT_EQ(screen->PixelAt(5, 5), 0);
    EXPECT_TRUE(screen->VisibleWindows().empty());
}

// The screen shows what was presented, not what a window is drawing meanwhile.
TEST(HeadlessDriverTest, PresentShowsOnlyTheChangedPart) {
    auto screen = MakeScreen();
    auto surface = Filled(10, 10, kRed);
    screen->UpdateWindow(Window(7, RECT{5, 5, 15, 15}), surface);
    surface->Fill(surface->Bounds(), kBlue);
    EXPECT_EQ(screen->PixelAt(6, 6), kRed);

    screen->Present(7, RECT{0, 0, 2, 10});
    EXPECT_EQ(screen->PixelAt(6, 6), kBlue);
    EXPECT_EQ(screen->PixelAt(7, 6), kRed) << "outside the changed part";

    const auto copy = screen->CopyScreen();
    EXPECT_EQ(copy->At(6, 6), kBlue);
    EXPECT_EQ(copy->At(7, 6), kRed);
}

TEST(HeadlessDriverTest, InjectedInputReachesTheSinkWhileStarted) {
    struct Recorder : InputSink {
        std::vector<InputEvent> events;
        void OnInput(const InputEvent& event) override { events.push_back(event); }
        void OnScreenChanged() override {}
    } sink;
    auto screen = MakeScreen();
    InputEvent tap;
    tap.kind = InputEvent::Kind::kPointerDown;
    tap.screen = POINT{3, 4};
    EXPECT_FALSE(screen->Inject(tap));
    screen->Start(sink);
    EXPECT_TRUE(screen->Inject(tap));
    screen->Stop();
    EXPECT_FALSE(screen->Inject(tap));
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].screen.y, 4);
}

}  // namespace
}  // namespace ce::drivers

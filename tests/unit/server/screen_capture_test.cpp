// Tavrelin's capture object on a headless screen, checked through the viewer's own decoder: what
// the viewer makes of the updates is what the screen shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "capture/screen_capture.h"
#include "drivers/headless/headless_driver.h"
#include "common/tavrelin/frame_decoder.h"
#include "net/frame_header.h"
#include "user/desktop.h"

namespace {

using ce::drivers::HeadlessDriver;

std::unique_ptr<HeadlessDriver> Screen240x320(HeadlessDriver*& screen) {
    ce::drivers::HeadlessOptions options;
    options.screen = SIZE{240, 320};
    auto driver = HeadlessDriver::Create(options, nullptr);
    screen = driver.get();
    return driver;
}

class ScreenCaptureTest : public ::testing::Test {
protected:
    ScreenCaptureTest() : m_desktop(Screen240x320(m_screen)) {}

    // Frames the payload as the connection does and hands it to the viewer; the bands it took.
    int Show(std::span<const BYTE> payload) {
        const auto header =
            FrameHeader(static_cast<int>(payload.size()), m_capture.Display().mode.load());
        std::vector<std::uint8_t> frame(header.begin(), header.end());
        frame.insert(frame.end(), payload.begin(), payload.end());
        std::vector<brevanta::tavrelin::DecodedFrame> frames;
        EXPECT_TRUE(m_viewer.Feed(frame, &frames)) << m_viewer.Error();
        return frames.size() == 1 ? frames[0].bandCount : -1;
    }

    // Pixels where the viewer's picture differs from the screen.
    int Differences() const {
        const auto screen = m_screen->CopyScreen();
        const auto& picture = m_viewer.GetPicture();
        int differences = 0;
        for (int y = 0; y < screen->Height(); ++y) {
            for (int x = 0; x < screen->Width(); ++x) {
                differences += picture.PixelAt(x, y) != screen->At(x, y) ? 1 : 0;
            }
        }
        return differences;
    }

    // A white window over the rectangle, painted.
    static HWND ShowWhite(const RECT& rect) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = TEXT("White");
        RegisterClassW(&windowClass);
        HWND window = CreateWindowExW(0, TEXT("White"), TEXT(""), WS_POPUP | WS_VISIBLE, rect.left,
                                      rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                      nullptr, nullptr, nullptr, nullptr);
        UpdateWindow(window);
        return window;
    }

    HeadlessDriver* m_screen = nullptr;
    ce::user::DesktopScope m_desktop;
    ScreenCapture m_capture;
    brevanta::tavrelin::FrameDecoder m_viewer;
};

TEST_F(ScreenCaptureTest, TheViewerFollowsTheScreenBandByBand) {
    m_capture.Setup(4);
    EXPECT_EQ(m_capture.Display().width, 240);
    EXPECT_EQ(m_capture.Display().height, 320);
    EXPECT_EQ(m_capture.Display().mode, 0x04) << "240x320 at 0 degrees";

    // A viewer that has just connected holds 0xFF bytes; a black screen differs in every band.
    m_capture.ResetPreviousFrame();
    EXPECT_EQ(Show(m_capture.Update()), 40);
    EXPECT_EQ(Differences(), 0);
    EXPECT_TRUE(m_capture.Update().empty()) << "nothing changed";

    // A white window over rows 100..139 from the top, the whole width. Bands are 8 rows of the
    // bottom-up copy, so those are rows 180..219 from the bottom: bands 22 to 27 change.
    ASSERT_NE(ShowWhite(RECT{0, 100, 240, 140}), nullptr);
    EXPECT_EQ(Show(m_capture.Update()), 6);
    EXPECT_EQ(Differences(), 0);

    // After a reset, the bands wholly inside the window (23 to 26) equal the reset copy and are
    // not sent; every other band is.
    m_capture.ResetPreviousFrame();
    EXPECT_EQ(Show(m_capture.Update()), 36);
    EXPECT_EQ(Differences(), 0);
}

TEST_F(ScreenCaptureTest, WithoutASetupThereIsNothingToSendAndTeardownIsHarmless) {
    EXPECT_TRUE(m_capture.Update().empty());
    m_capture.Teardown();
    m_capture.Setup(4);
    m_capture.Teardown();
    m_capture.Teardown();
    m_capture.ResetPreviousFrame();
    EXPECT_TRUE(m_capture.Update().empty());
}

}  // namespace

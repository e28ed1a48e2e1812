// BrevantaClient on a real X display (Xvfb at the device's 272x480x16), with pointer and key
// input sent through XTest and pixels read from the root window. The test process has a network
// namespace of its own, so the client's discovery broadcasts go nowhere.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <chrono>
#include <string>

#include "client_under_test.h"
#include "wait_until.h"
#include "x11_screen.h"
#include "xvfb_process.h"

namespace {

using namespace std::chrono_literals;
using brevanta::test::ClientUnderTest;
using brevanta::test::Screenshot;
using brevanta::test::WaitUntil;

constexpr char kMainBackground[] = BREVANTA_CLIENT_RES "/main_background.bmp";
constexpr char kKeypadBackground[] = BREVANTA_CLIENT_RES "/keypad_background.bmp";

class ClientX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_xvfb.Start(272, 480, 16, &error)) << error;
        m_screen = std::make_unique<brevanta::test::X11Screen>(m_xvfb.DisplayName());
        ASSERT_TRUE(m_screen->Connected());
        ASSERT_TRUE(m_client.StartX11(m_xvfb.DisplayName()));
        ASSERT_TRUE(WaitForWindows(1));
        ASSERT_TRUE(WaitForPixel(60, 136, kMainBackground));
    }

    bool WaitForWindows(std::size_t count) {
        return WaitUntil([&] { return m_screen->MappedWindows("#32770").size() == count; });
    }
    bool WaitForPixel(int x, int y, const char* background) {
        const auto expected = brevanta::test::BackgroundPixel(background, x, y);
        return WaitUntil([&] {
            const auto screen = m_screen->Capture();
            return screen && screen->At(x, y) == expected;
        });
    }
    bool WaitForAddress() {
        return WaitUntil([&] {
            const auto screen = m_screen->Capture();
            return screen && screen->CountBright(99, 228, 219, 244) > 20;
        });
    }

    brevanta::test::XvfbProcess m_xvfb;
    std::unique_ptr<brevanta::test::X11Screen> m_screen;
    ClientUnderTest m_client;
};

TEST_F(ClientX11Test, CoversTheScreenWithItsArtworkAndQuitsFromTheQuitZone) {
    const auto windows = m_screen->MappedWindows("#32770");
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].left, 0);
    EXPECT_EQ(windows[0].top, 0);
    EXPECT_EQ(windows[0].right, 272);
    EXPECT_EQ(windows[0].bottom, 480);
    const auto screen = m_screen->Capture();
    ASSERT_TRUE(screen);
    for (auto [x, y] : {std::pair{5, 5}, {134, 136}, {134, 210}, {134, 296}, {60, 392}}) {
        EXPECT_EQ(screen->At(x, y), brevanta::test::BackgroundPixel(kMainBackground, x, y))
            << x << "," << y;
    }
    m_screen->Click(20, 296);  // beside the quit zone
    m_screen->PressKey(XK_Escape);
    m_screen->PressKey(XK_Return);
    m_screen->Click(134, 296);
    EXPECT_EQ(m_client.WaitForExit(10s), 0);
}

TEST_F(ClientX11Test, KeypadTakesTappedAndTypedDigits) {
    m_screen->Click(134, 210);
    ASSERT_TRUE(WaitForWindows(2));
    ASSERT_TRUE(WaitForPixel(56, 150, kKeypadBackground));
    // Keys of the grid: 1, then ".", then typed digits into the tapped edit box.
    m_screen->Click(56, 328);
    m_screen->Click(136, 408);
    m_screen->Click(100, 91);
    for (char c : std::string("2.3.4")) {
        m_screen->Type(c);
    }
    m_screen->Click(216, 408);  // OK: "1.2.3.4" is valid and new
    ASSERT_TRUE(WaitForWindows(1));
    EXPECT_TRUE(WaitForAddress());
}

TEST_F(ClientX11Test, EscapeLeavesTheKeypadWithoutChange) {
    m_screen->Click(134, 210);
    ASSERT_TRUE(WaitForWindows(2));
    m_screen->Click(56, 328);
    m_screen->PressKey(XK_Escape);
    ASSERT_TRUE(WaitForWindows(1));
    ASSERT_TRUE(WaitForPixel(134, 236, kMainBackground)) << "the main screen repainted";
    const auto screen = m_screen->Capture();
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->CountBright(99, 228, 219, 244), 0);
    EXPECT_TRUE(m_client.Running());
}

}  // namespace

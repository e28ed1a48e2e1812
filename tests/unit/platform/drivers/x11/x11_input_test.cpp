// Input from the X server: clicks, keys and screen changes reach the sink on the input thread.
#include "x11_test_fixture.h"

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "wait_until.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace ce::drivers::x11::test {
namespace {

using Kind = InputEvent::Kind;

std::string Describe(const InputEvent& event) {
    std::ostringstream text;
    text << "kind " << static_cast<int>(event.kind) << " window " << event.window << " at "
         << event.screen.x << "," << event.screen.y << " vk " << event.virtualKey << " char "
         << static_cast<unsigned>(event.character);
    return text.str();
}

std::vector<InputEvent> Without(const std::vector<InputEvent>& events, Kind kind) {
    std::vector<InputEvent> kept;
    for (const InputEvent& event : events) {
        if (event.kind != kind) {
            kept.push_back(event);
        }
    }
    return kept;
}

class X11InputTest : public X11DriverTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartServer(16));
        m_surface = std::make_shared<gdi::Surface>(100, 100);
    }

    void ShowWindow(WindowId id, const RECT& rect, const std::string& title) {
        m_driver->UpdateWindow(MakeWindow(id, rect, std::u16string(title.begin(), title.end())),
                               m_surface);
        const Window window = FindXWindow(title);
        ASSERT_NE(window, 0u);
        ASSERT_TRUE(brevanta::test::WaitUntil([&] { return IsOnScreen(window); }));
    }

    void Click(int x, int y, unsigned button = 1) {
        XTestFakeMotionEvent(m_probe, DefaultScreen(m_probe), x, y, CurrentTime);
        XTestFakeButtonEvent(m_probe, button, True, CurrentTime);
        XTestFakeButtonEvent(m_probe, button, False, CurrentTime);
        XFlush(m_probe);
    }

    void PressAndRelease(KeySym keySym) {
        const KeyCode code = XKeysymToKeycode(m_probe, keySym);
        ASSERT_NE(code, 0) << keySym;
        XTestFakeKeyEvent(m_probe, code, True, CurrentTime);
        XTestFakeKeyEvent(m_probe, code, False, CurrentTime);
    }

    std::shared_ptr<gdi::Surface> m_surface;
};

TEST_F(X11InputTest, ClicksOfButtonOneReachTheSinkWithWindowAndScreenPosition) {
    ASSERT_NO_FATAL_FAILURE(ShowWindow(0xA1, {10, 20, 110, 120}, "left"));
    ASSERT_NO_FATAL_FAILURE(ShowWindow(0xB2, {150, 20, 250, 120}, "right"));
    m_driver->Start(m_sink);

    Click(60, 70);
    Click(50, 300);     // bare root: not the driver's
    Click(200, 50, 3);  // another button
    Click(200, 50);

    const std::vector<InputEvent> expected = {
        {Kind::kPointerDown, 0xA1, {60, 70}, 0, 0},
        {Kind::kPointerUp, 0xA1, {60, 70}, 0, 0},
        {Kind::kPointerDown, 0xB2, {200, 50}, 0, 0},
        {Kind::kPointerUp, 0xB2, {200, 50}, 0, 0},
    };
    ASSERT_TRUE(m_sink.WaitFor([&](const std::vector<InputEvent>& events) {
        return Without(events, Kind::kPointerMove).size() >= expected.size();
    }));
    const std::vector<InputEvent> events = m_sink.Events();
    const std::vector<InputEvent> clicks = Without(events, Kind::kPointerMove);
    ASSERT_EQ(clicks.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Describe(clicks[i]), Describe(expected[i])) << i;
    }
    bool movedIntoLeft = false;
    for (const InputEvent& event : events) {
        movedIntoLeft = movedIntoLeft ||
                        (event.kind == Kind::kPointerMove &&
                         Describe(event) == Describe({Kind::kPointerMove, 0xA1, {60, 70}, 0, 0}));
    }
    EXPECT_TRUE(movedIntoLeft);
}

TEST_F(X11InputTest, KeysGiveVirtualKeyAndCharacterToTheActiveWindow) {
    struct Case {
        KeySym keySym;
        bool shift;
        UINT virtualKey;
        char16_t character;
    };
    const Case cases[] = {
        {XK_Return, false, 0x0D, u'\r'},
        {XK_Escape, false, 0x1B, 0x1B},
        {XK_BackSpace, false, 0x08, 0x08},
        {XK_Tab, false, 0x09, u'\t'},
        {XK_Delete, false, 0x2E, 0},
        {XK_Left, false, 0x25, 0},
        {XK_Right, false, 0x27, 0},
        {XK_Up, false, 0x26, 0},
        {XK_Down, false, 0x28, 0},
        {XK_Home, false, 0x24, 0},
        {XK_End, false, 0x23, 0},
        {XK_7, false, '7', u'7'},
        {XK_q, false, 'Q', u'q'},
        {XK_q, true, 'Q', u'Q'},
        {XK_1, true, '1', u'!'},
        {XK_space, false, 0x20, u' '},
        {XK_period, false, 0xBE, u'.'},
        {XK_KP_4, false, 0x64, u'4'},
        {XK_KP_Decimal, false, 0x6E, u'.'},
    };
    ASSERT_NO_FATAL_FAILURE(ShowWindow(0xC3, {0, 0, 100, 100}, "keys"));
    m_driver->Start(m_sink);
    // With the pointer elsewhere, keys reach the window only through the focus Activate gives.
    XTestFakeMotionEvent(m_probe, DefaultScreen(m_probe), 200, 300, CurrentTime);
    m_driver->Activate(0xC3);
    const Window window = FindXWindow("keys");
    ASSERT_TRUE(brevanta::test::WaitUntil([&] {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(m_probe, &focus, &revert);
        return focus == window;
    }));

    // Num Lock makes the keypad type digits; it and Shift are not keys of the device.
    ASSERT_NO_FATAL_FAILURE(PressAndRelease(XK_Num_Lock));
    const KeyCode shift = XKeysymToKeycode(m_probe, XK_Shift_L);
    std::vector<InputEvent> expected;
    for (const Case& c : cases) {
        if (c.shift) {
            XTestFakeKeyEvent(m_probe, shift, True, CurrentTime);
        }
        ASSERT_NO_FATAL_FAILURE(PressAndRelease(c.keySym));
        if (c.shift) {
            XTestFakeKeyEvent(m_probe, shift, False, CurrentTime);
        }
        expected.push_back({Kind::kKeyDown, 0xC3, {}, c.virtualKey, c.character});
        expected.push_back({Kind::kKeyUp, 0xC3, {}, c.virtualKey, 0});
    }
    XFlush(m_probe);

    ASSERT_TRUE(m_sink.WaitFor([&](const std::vector<InputEvent>& events) {
        return Without(events, Kind::kPointerMove).size() >= expected.size();
    }));
    const std::vector<InputEvent> keys = Without(m_sink.Events(), Kind::kPointerMove);
    ASSERT_EQ(keys.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Describe(keys[i]), Describe(expected[i])) << "key " << cases[i / 2].keySym;
    }
}

TEST_F(X11InputTest, ScreenSizeChangeIsReported) {
    m_driver->Start(m_sink);
    EXPECT_EQ(m_driver->ScreenSize().cx, 272);
    EXPECT_EQ(m_driver->ScreenSize().cy, 480);
    ASSERT_NO_FATAL_FAILURE(ResizeScreen(240, 320));
    EXPECT_GE(m_sink.ScreenChanges(), 1);
}

TEST_F(X11InputTest, StopReturnsPromptlyAndInputResumesAfterStart) {
    using Clock = std::chrono::steady_clock;
    ASSERT_NO_FATAL_FAILURE(ShowWindow(0xD4, {0, 0, 100, 100}, "restart"));
    m_driver->Stop();  // not started yet
    m_driver->Start(m_sink);
    const auto start = Clock::now();
    m_driver->Stop();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    m_driver->Stop();

    Click(40, 40);
    m_driver->Start(m_sink);
    EXPECT_TRUE(m_sink.WaitFor([](const std::vector<InputEvent>& events) {
        return Without(events, Kind::kPointerMove).size() == 2;
    }));
}

}  // namespace
}  // namespace ce::drivers::x11::test

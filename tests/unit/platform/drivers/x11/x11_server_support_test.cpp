// What the remote display server needs of the x11 driver besides capture: XTest pointer input
// that reaches our own windows, other programs' windows found and raised, and the rotation.
#include "x11_test_fixture.h"

#include <string>
#include <vector>

#include "drivers/x11/x11_driver.h"
#include "drivers/x11/x11_randr.h"
#include "user/desktop.h"
#include "wait_until.h"
#include "windows.h"

#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

namespace ce::drivers::x11::test {
namespace {

using Kind = InputEvent::Kind;

class X11ServerSupportTest : public X11DriverTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartServer(16)); }

    // A window of another program (the test's own connection), mapped, with class and title.
    Window OtherProgramsWindow(const char* className, const char* title) {
        const Window window =
            XCreateSimpleWindow(m_probe, DefaultRootWindow(m_probe), 0, 0, 50, 50, 0, 0, 0);
        std::string name = className;
        XClassHint hint{name.data(), name.data()};
        XSetClassHint(m_probe, window, &hint);
        XStoreName(m_probe, window, title);
        XMapWindow(m_probe, window);
        XSync(m_probe, False);
        return window;
    }

    Window TopChildOfRoot() {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(m_probe, DefaultRootWindow(m_probe), &root, &parent, &children, &count);
        const Window top = count > 0 ? children[count - 1] : 0;
        if (children != nullptr) {
            XFree(children);
        }
        return top;
    }
};

TEST_F(X11ServerSupportTest, FakedClickReachesOurOwnWindow) {
    m_driver->Start(m_sink);
    auto surface = std::make_shared<gdi::Surface>(100, 100);
    m_driver->UpdateWindow(MakeWindow(0xE1, RECT{20, 30, 120, 130}, u"target"), surface);
    const Window window = FindXWindow("target");
    ASSERT_TRUE(brevanta::test::WaitUntil([&] { return IsOnScreen(window); }));

    Remote().InjectPointerMove(POINT{70, 90});
    Remote().InjectButton(MouseButton::kLeft, true);
    Remote().InjectButton(MouseButton::kLeft, false);
    ASSERT_TRUE(m_sink.WaitFor([](const std::vector<InputEvent>& events) {
        int buttons = 0;
        for (const InputEvent& event : events) {
            buttons += event.kind != Kind::kPointerMove ? 1 : 0;
        }
        return buttons == 2;
    }));
    std::vector<InputEvent> buttons;
    for (const InputEvent& event : m_sink.Events()) {
        if (event.kind != Kind::kPointerMove) {
            buttons.push_back(event);
        }
    }
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].kind, Kind::kPointerDown);
    EXPECT_EQ(buttons[1].kind, Kind::kPointerUp);
    EXPECT_EQ(buttons[0].window, WindowId{0xE1});
    EXPECT_EQ(buttons[0].screen.x, 70);
    EXPECT_EQ(buttons[0].screen.y, 90);
    EXPECT_EQ(Remote().PointerPosition().x, 70);
    EXPECT_EQ(Remote().PointerPosition().y, 90);
}

TEST_F(X11ServerSupportTest, FindsAndRaisesAnotherProgramsWindowButNeverOurs) {
    const Window other = OtherProgramsWindow("Quintaro", "Quintaro");
    // Ours, with the same texts, on top of it: never taken for another program's.
    m_driver->UpdateWindow(MakeWindow(0xE2, RECT{0, 0, 60, 60}, u"Quintaro", u"Quintaro"),
                           std::make_shared<gdi::Surface>(60, 60));
    ASSERT_TRUE(brevanta::test::WaitUntil([&] { return TopChildOfRoot() != other; }));

    EXPECT_EQ(Remote().FindForeignWindow(u"quintaro", u"QUINTARO"), other);
    EXPECT_EQ(Remote().FindForeignWindow(nullptr, u"Quintaro"), other);
    EXPECT_EQ(Remote().FindForeignWindow(u"Quintaro", u"Other"), 0u);
    EXPECT_EQ(Remote().FindForeignWindow(u"Other", nullptr), 0u);

    // Through the API, as the server's second instance does it: the found handle with bit 0 set.
    // To a desktop of its own, the driver's window is another program's too: it goes first.
    m_driver->RemoveWindow(0xE2);
    std::string error;
    user::DesktopScope desktop(CreateX11Driver(&error));
    const HWND found = FindWindowW(u"Quintaro", u"Quintaro");
    ASSERT_NE(found, nullptr);
    EXPECT_FALSE(IsWindow(found));
    EXPECT_TRUE(
        SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(found) | 1)));
    EXPECT_TRUE(brevanta::test::WaitUntil([&] { return TopChildOfRoot() == other; }));

    XDestroyWindow(m_probe, other);
    XSync(m_probe, False);
    EXPECT_FALSE(SetForegroundWindow(found)) << "gone";
}

// Xvfb offers only RR_Rotate_0 on its screen, so rotation cannot be seen there; what the driver
// reports follows RandR's rotation bits.
TEST_F(X11ServerSupportTest, RotationFollowsRandr) {
    ::Rotation current = 0;
    const ::Rotation offered = XRRRotations(m_probe, DefaultScreen(m_probe), &current);
    EXPECT_EQ(m_driver->ScreenRotation(), RotationFromRandr(current));
    if ((offered & RR_Rotate_90) != 0) {
        ADD_FAILURE() << "this X server rotates: test it here";
    }
    struct Case {
        unsigned randr;
        DisplayRotation expected;
    };
    const Case cases[] = {{RR_Rotate_0, DisplayRotation::k0},
                          {RR_Rotate_90, DisplayRotation::k90},
                          {RR_Rotate_180 | RR_Reflect_X, DisplayRotation::k180},
                          {RR_Rotate_270, DisplayRotation::k270}};
    for (const Case& c : cases) {
        EXPECT_EQ(RotationFromRandr(c.randr), c.expected) << c.randr;
    }
}

}  // namespace
}  // namespace ce::drivers::x11::test

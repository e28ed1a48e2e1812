// Input routing, keyboard focus, activation and the cursor.
#include "user_test_support.h"

namespace ce::user::test {
namespace {

using InputTest = UserTest;
using Kind = drivers::InputEvent::Kind;

drivers::InputEvent Pointer(Kind kind, LONG x, LONG y) {
    drivers::InputEvent event;
    event.kind = kind;
    event.screen = POINT{x, y};
    return event;
}

drivers::InputEvent Key(Kind kind, UINT key, char16_t character) {
    drivers::InputEvent event;
    event.kind = kind;
    event.virtualKey = key;
    event.character = character;
    return event;
}

std::vector<MSG> OfKinds(const std::vector<MSG>& taken, std::initializer_list<UINT> kinds) {
    std::vector<MSG> kept;
    for (const MSG& message : taken) {
        if (std::find(kinds.begin(), kinds.end(), message.message) != kinds.end()) {
            kept.push_back(message);
        }
    }
    return kept;
}

const std::initializer_list<UINT> kPointerMessages = {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP};

// The parent's client area starts at (1, 21) on the screen, the child's at (11, 31).
class PointerTest : public InputTest {
protected:
    PointerTest() {
        m_parent = MakeShown(RECT{0, 0, 200, 100}, WS_CAPTION);
        m_child = MakeShown(RECT{10, 10, 60, 40}, WS_CHILD, m_parent);
    }

    std::vector<MSG> Deliver(std::initializer_list<drivers::InputEvent> events) {
        for (const auto& event : events) {
            EXPECT_TRUE(Screen().Inject(event));
        }
        return OfKinds(DispatchWaiting(), kPointerMessages);
    }

    HWND m_parent = nullptr;
    HWND m_child = nullptr;
};

TEST_F(PointerTest, PointerEventsComeWithClientCoordinates) {
    const auto taken =
        Deliver({Pointer(Kind::kPointerDown, 16, 37), Pointer(Kind::kPointerMove, 17, 38),
                 Pointer(Kind::kPointerUp, 100, 90)});
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].hwnd, m_child);
    EXPECT_EQ(taken[0].message, WM_LBUTTONDOWN);
    EXPECT_EQ(taken[0].wParam, MK_LBUTTON);
    EXPECT_EQ(taken[0].lParam, MAKELONG(5, 6));
    EXPECT_EQ(taken[0].pt.x, 16) << "the message's point is on the screen";
    EXPECT_EQ(taken[0].pt.y, 37);
    EXPECT_EQ(taken[1].wParam, MK_LBUTTON) << "the button is still down";
    EXPECT_EQ(taken[2].hwnd, m_parent) << "without capture, the window under the point";
    EXPECT_EQ(taken[2].wParam, 0u);
    EXPECT_EQ(taken[2].lParam, MAKELONG(99, 69));
}

TEST_F(PointerTest, TheCaptureWindowGetsEverything) {
    EXPECT_EQ(SetCapture(m_child), nullptr);
    EXPECT_EQ(GetCapture(), m_child);
    const auto taken = Deliver({Pointer(Kind::kPointerUp, 5, 25)});
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].hwnd, m_child);
    EXPECT_EQ(static_cast<SHORT>(LOWORD(taken[0].lParam)), -6);
    EXPECT_EQ(static_cast<SHORT>(HIWORD(taken[0].lParam)), -6);
    ClearLog();
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(CountOf(m_child, WM_CAPTURECHANGED), 1u);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(PointerTest, DisabledWindowsPassOnOrDropTheirInput) {
    struct Case {
        const char* name;
        HWND disabled;  // null: none
        LONG x;
        LONG y;
        HWND target;  // null: dropped
    };
    const Case cases[] = {
        {"disabled child: its parent", m_child, 16, 37, m_parent},
        {"disabled top-level window: nobody", m_parent, 16, 37, nullptr},
        {"caption: nobody", nullptr, 50, 10, nullptr},
        {"outside every window: nobody", nullptr, 250, 300, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.disabled != nullptr) {
            EnableWindow(c.disabled, FALSE);
        }
        const auto taken = Deliver({Pointer(Kind::kPointerDown, c.x, c.y)});
        if (c.target == nullptr) {
            EXPECT_TRUE(taken.empty());
        } else {
            ASSERT_EQ(taken.size(), 1u);
            EXPECT_EQ(taken[0].hwnd, c.target);
            EXPECT_EQ(taken[0].lParam, MAKELONG(15, 16));
        }
        Deliver({Pointer(Kind::kPointerUp, c.x, c.y)});
        if (c.disabled != nullptr) {
            EnableWindow(c.disabled, TRUE);
        }
    }
}

TEST_F(InputTest, KeysGoToTheFocusAndTranslateToTheirCharacters) {
    HWND window = MakeShown(RECT{0, 0, 50, 50});
    HWND child = MakeShown(RECT{0, 0, 10, 10}, WS_CHILD, window);
    struct Case {
        UINT key;
        char16_t character;
    };
    const Case cases[] = {{VK_BACK, 8}, {VK_RETURN, 13}, {VK_ESCAPE, 27}, {'7', u'7'}};
    for (HWND focus : {window, child}) {
        SetFocus(focus);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.key);
            Screen().Inject(Key(Kind::kKeyDown, c.key, c.character));
            Screen().Inject(Key(Kind::kKeyUp, c.key, 0));
            const auto taken = OfKinds(DispatchWaiting(), {WM_KEYDOWN, WM_CHAR, WM_KEYUP});
            ASSERT_EQ(taken.size(), 3u);
            EXPECT_EQ(taken[0].message, WM_KEYDOWN);
            EXPECT_EQ(taken[0].wParam, c.key);
            EXPECT_EQ(taken[1].message, WM_CHAR);
            EXPECT_EQ(taken[1].wParam, c.character);
            EXPECT_EQ(taken[2].message, WM_KEYUP);
            for (const MSG& message : taken) {
                EXPECT_EQ(message.hwnd, focus);
            }
        }
    }
    SetFocus(nullptr);
    Screen().Inject(Key(Kind::kKeyDown, VK_SHIFT, 0));
    const auto taken = DispatchWaiting();
    ASSERT_EQ(taken.size(), 1u) << "no character to translate";
    EXPECT_EQ(taken[0].hwnd, window) << "without a focus, the active window";
}

// The window is decided when the thread takes the input: a tap that moves the focus or takes the
// capture counts for input that was already waiting behind it.
TEST_F(PointerTest, InputWaitingGoesWhereFocusAndCaptureAreWhenTaken) {
    SetFocus(m_parent);
    ASSERT_TRUE(Screen().Inject(Key(Kind::kKeyDown, '7', u'7')));
    ASSERT_TRUE(Screen().Inject(Pointer(Kind::kPointerUp, 150, 80)));
    SetFocus(m_child);
    SetCapture(m_child);
    const auto taken = OfKinds(DispatchWaiting(), {WM_KEYDOWN, WM_CHAR, WM_LBUTTONUP});
    ASSERT_EQ(taken.size(), 3u);
    for (const MSG& message : taken) {
        EXPECT_EQ(message.hwnd, m_child) << message.message;
    }
    EXPECT_EQ(taken[2].lParam, MAKELONG(150 - 11, 80 - 31));
    ReleaseCapture();
}

TEST_F(InputTest, FocusMovesWithKillThenSetFocus) {
    HWND window = MakeShown(RECT{0, 0, 50, 50});
    HWND first = MakeShown(RECT{0, 0, 10, 10}, WS_CHILD, window);
    HWND second = MakeShown(RECT{10, 0, 20, 10}, WS_CHILD, window);
    EXPECT_EQ(GetFocus(), window) << "an activated window takes the focus";
    std::vector<std::pair<UINT, WPARAM>> seen;
    SetAnswer([&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
            seen.emplace_back(message, wParam);
        }
        return std::nullopt;
    });
    ClearLog();
    EXPECT_EQ(SetFocus(first), window);
    EXPECT_EQ(SetFocus(second), first);
    EXPECT_EQ(GetFocus(), second);
    EXPECT_EQ(Log({WM_SETFOCUS, WM_KILLFOCUS}), (std::vector<Received>{{window, WM_KILLFOCUS, 0},
                                                                       {first, WM_SETFOCUS, 0},
                                                                       {first, WM_KILLFOCUS, 0},
                                                                       {second, WM_SETFOCUS, 0}}));
    EXPECT_EQ(seen[2].second, reinterpret_cast<WPARAM>(second)) << "who takes it";
    EXPECT_EQ(seen[3].second, reinterpret_cast<WPARAM>(first)) << "who had it";
    EnableWindow(second, FALSE);
    EXPECT_EQ(GetFocus(), nullptr) << "a disabled window gives the focus up";
}

TEST_F(InputTest, ActivationFollowsShowingHidingAndDestroying) {
    std::vector<std::pair<HWND, WPARAM>> activations;
    SetAnswer([&](HWND window, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_ACTIVATE) {
            activations.emplace_back(window, wParam);
        }
        return std::nullopt;
    });
    HWND first = MakeShown(RECT{0, 0, 50, 50});
    HWND second = MakeShown(RECT{0, 0, 50, 50});
    EXPECT_EQ(activations, (std::vector<std::pair<HWND, WPARAM>>{
                               {first, WA_ACTIVE}, {first, WA_INACTIVE}, {second, WA_ACTIVE}}));
    EXPECT_EQ(GetActiveWindow(), second);
    EXPECT_EQ(GetForegroundWindow(), second);
    EXPECT_EQ(Screen().ActiveWindow(), reinterpret_cast<drivers::WindowId>(second));

    HWND quiet = MakeWindow(nullptr, WS_POPUP);
    ShowWindow(quiet, SW_SHOWNA);
    EXPECT_EQ(GetActiveWindow(), second) << "shown without activation";

    HWND owned = CreateWindowExW(0, TEXT("Recorder"), nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 5, 5,
                                 first, nullptr, nullptr, nullptr);
    EXPECT_EQ(GetActiveWindow(), owned);
    ShowWindow(owned, SW_HIDE);
    EXPECT_EQ(GetActiveWindow(), first) << "its owner, though another window is above it";

    ASSERT_TRUE(SetForegroundWindow(quiet));
    ASSERT_TRUE(SetForegroundWindow(second));
    DestroyWindow(second);
    EXPECT_EQ(GetActiveWindow(), quiet) << "the topmost shown window";
    EnableWindow(quiet, FALSE);
    SetActiveWindow(first);
    DestroyWindow(first);
    EXPECT_EQ(GetActiveWindow(), nullptr) << "a disabled window is not activated";
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(InputTest, APressActivatesItsTopLevelWindow) {
    HWND lower = MakeShown(RECT{0, 0, 50, 50});
    MakeShown(RECT{100, 0, 150, 50});
    std::vector<WPARAM> states;
    SetAnswer([&](HWND window, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_ACTIVATE && window == lower) {
            states.push_back(wParam);
        }
        return std::nullopt;
    });
    Screen().Inject(Pointer(Kind::kPointerDown, 10, 10));
    DispatchWaiting();
    EXPECT_EQ(GetActiveWindow(), lower);
    EXPECT_EQ(states, std::vector<WPARAM>{WA_CLICKACTIVE});
}

TEST_F(InputTest, SystemCursorsAndTheShapeShown) {
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    ASSERT_NE(wait, nullptr);
    ASSERT_NE(arrow, nullptr);
    EXPECT_NE(wait, arrow);
    EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(32513)), nullptr);
    EXPECT_EQ(LoadCursorW(reinterpret_cast<HINSTANCE>(1), IDC_WAIT), nullptr);

    SetCursor(arrow);
    EXPECT_EQ(SetCursor(wait), arrow);
    EXPECT_EQ(Screen().Cursor(), drivers::CursorShape::kWait);
    EXPECT_EQ(SetCursor(nullptr), wait);
    EXPECT_EQ(Screen().Cursor(), drivers::CursorShape::kNone);
}

}  // namespace
}  // namespace ce::user::test

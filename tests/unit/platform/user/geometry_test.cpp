// Window and client rectangles, coordinates, moving and sizing, Z order, texts and visibility.
#include "user_test_support.h"

namespace ce::user::test {
namespace {

using GeometryTest = UserTest;

std::vector<LONG> Corners(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

TEST_F(GeometryTest, TheClientAreaIsWhatTheFrameAndCaptionLeave) {
    struct Case {
        const char* name;
        DWORD style;
        DWORD exStyle;
        LONG left;  // client origin on the screen, window at (10, 20) sized 100x80
        LONG top;
    };
    const Case cases[] = {
        {"no frame", WS_POPUP, 0, 10, 20},
        {"border", WS_POPUP | WS_BORDER, 0, 11, 21},
        {"dialog frame", WS_POPUP | WS_DLGFRAME, 0, 13, 23},
        {"caption", WS_CAPTION, 0, 11, 41},
        {"caption, modal frame", WS_POPUP | WS_CAPTION, WS_EX_DLGMODALFRAME, 13, 43},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND window = MakeShown(RECT{10, 20, 110, 100}, c.style, nullptr, c.exStyle);
        RECT rect{};
        ASSERT_TRUE(GetWindowRect(window, &rect));
        EXPECT_EQ(Corners(rect), (std::vector<LONG>{10, 20, 110, 100}));
        ASSERT_TRUE(GetClientRect(window, &rect));
        // The frame is as wide on the right and bottom as on the left.
        const LONG frame = c.left - 10;
        EXPECT_EQ(Corners(rect),
                  (std::vector<LONG>{0, 0, 100 - 2 * frame, 80 - frame - (c.top - 20)}));
        POINT origin{0, 0};
        ASSERT_TRUE(ClientToScreen(window, &origin));
        EXPECT_EQ(origin.x, c.left);
        EXPECT_EQ(origin.y, c.top);
        DestroyWindow(window);
    }
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 20);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 272);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
}

TEST_F(GeometryTest, ChildCoordinatesMapThroughTheirParents) {
    HWND parent = MakeShown(RECT{10, 20, 210, 120}, WS_CAPTION);
    HWND child = MakeShown(RECT{5, 6, 35, 26}, WS_CHILD | WS_BORDER, parent);
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(child, &rect));
    EXPECT_EQ(Corners(rect), (std::vector<LONG>{16, 47, 46, 67}));
    POINT point{100, 100};
    ASSERT_TRUE(ScreenToClient(child, &point));
    EXPECT_EQ(point.x, 100 - 17);
    EXPECT_EQ(point.y, 100 - 48);
    POINT points[2] = {{0, 0}, {1, 2}};
    const int shift = MapWindowPoints(child, parent, points, 2);
    EXPECT_EQ(points[1].x, 7);
    EXPECT_EQ(points[1].y, 9);
    EXPECT_EQ(LOWORD(shift), 6);
    EXPECT_EQ(HIWORD(shift), 7);
    POINT onScreen{0, 0};
    MapWindowPoints(child, nullptr, &onScreen, 1);
    EXPECT_EQ(onScreen.x, 17);
    EXPECT_TRUE(IsChild(parent, child));
    EXPECT_FALSE(IsChild(child, parent));
}

TEST_F(GeometryTest, MovingAndSizingTellTheWindow) {
    struct Case {
        const char* name;
        UINT flags;
        std::vector<UINT> expected;
        std::vector<LONG> rect;
    };
    const Case cases[] = {
        {"move", SWP_NOSIZE | SWP_NOZORDER, {WM_WINDOWPOSCHANGED, WM_MOVE}, {30, 40, 130, 90}},
        {"size", SWP_NOMOVE | SWP_NOZORDER, {WM_WINDOWPOSCHANGED, WM_SIZE}, {10, 20, 70, 55}},
        {"both", SWP_NOZORDER, {WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}, {30, 40, 90, 75}},
        {"neither", SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER, {}, {10, 20, 110, 70}},
    };
    const std::initializer_list<UINT> positionMessages = {WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND window = MakeShown(RECT{10, 20, 110, 70}, WS_POPUP | WS_BORDER);
        LPARAM size = 0;
        LPARAM move = 0;
        SetAnswer([&](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
            if (message == WM_SIZE) {
                size = lParam;
            } else if (message == WM_MOVE) {
                move = lParam;
            }
            return std::nullopt;
        });
        ClearLog();
        ASSERT_TRUE(SetWindowPos(window, nullptr, 30, 40, 60, 35, c.flags));
        std::vector<UINT> received;
        for (const Received& r : Log(positionMessages)) {
            received.push_back(r.m_message);
        }
        EXPECT_EQ(received, c.expected);
        RECT rect{};
        GetWindowRect(window, &rect);
        EXPECT_EQ(Corners(rect), c.rect);
        if (size != 0) {
            EXPECT_EQ(size, MAKELONG(58, 33)) << "the client size";
        }
        if (move != 0) {
            EXPECT_EQ(move, MAKELONG(31, 41)) << "the client origin";
        }
        SetAnswer(nullptr);
        DestroyWindow(window);
    }
}

TEST_F(GeometryTest, StackingFollowsSetWindowPosAndKeepsTopmostWindowsAbove) {
    HWND first = MakeWindow(nullptr, WS_POPUP);
    HWND second = MakeWindow(nullptr, WS_POPUP);
    HWND third = MakeWindow(nullptr, WS_POPUP);
    const auto order = [&] {
        std::vector<HWND> windows;
        for (HWND w = GetWindow(first, GW_HWNDFIRST); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
            windows.push_back(w);
        }
        return windows;
    };
    EXPECT_EQ(order(), (std::vector<HWND>{third, second, first})) << "new windows go on top";
    EXPECT_EQ(GetWindow(second, GW_HWNDPREV), third);
    EXPECT_EQ(GetWindow(second, GW_HWNDLAST), first);

    SetWindowPos(third, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(order(), (std::vector<HWND>{second, first, third}));
    SetWindowPos(first, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HWND newer = MakeWindow(nullptr, WS_POPUP);
    SetWindowPos(third, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(order(), (std::vector<HWND>{first, third, newer, second}))
        << "the topmost window stays above";
    SetWindowPos(second, third, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(order(), (std::vector<HWND>{first, third, second, newer}));
    SetWindowPos(first, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(GetWindowLongPtrW(first, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    HWND child = MakeWindow(first, WS_CHILD, 1);
    HWND sibling = MakeWindow(first, WS_CHILD, 2);
    EXPECT_EQ(GetWindow(first, GW_CHILD), child) << "children stack in creation order";
    EXPECT_EQ(GetWindow(child, GW_HWNDNEXT), sibling);
    HWND owned = CreateWindowExW(0, TEXT("Recorder"), nullptr, WS_POPUP, 0, 0, 1, 1, child, nullptr,
                                 nullptr, nullptr);
    EXPECT_EQ(GetWindow(owned, GW_OWNER), first);
}

TEST_F(GeometryTest, DefaultPlacement) {
    HWND topLevel = CreateWindowExW(0, TEXT("Recorder"), nullptr, WS_POPUP, CW_USEDEFAULT, 5,
                                    CW_USEDEFAULT, 5, nullptr, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExW(0, TEXT("Recorder"), nullptr, WS_CHILD, CW_USEDEFAULT, 5,
                                 CW_USEDEFAULT, 5, topLevel, nullptr, nullptr, nullptr);
    RECT rect{};
    GetWindowRect(topLevel, &rect);
    EXPECT_EQ(Corners(rect), (std::vector<LONG>{0, 0, 272, 480})) << "the whole screen";
    GetClientRect(child, &rect);
    EXPECT_EQ(Corners(rect), (std::vector<LONG>{0, 0, 0, 0}));
}

TEST_F(GeometryTest, TextsGoThroughTheProcedure) {
    HWND window = MakeWindow();
    ClearLog();
    ASSERT_TRUE(SetWindowTextW(window, TEXT("Quintaro")));
    EXPECT_EQ(GetWindowTextLengthW(window), 8);
    WCHAR text[5] = {};
    EXPECT_EQ(GetWindowTextW(window, text, 5), 4);
    EXPECT_EQ(std::u16string(text), u"Quin") << "cut to the buffer, terminated";
    EXPECT_EQ(
        Log({WM_SETTEXT, WM_GETTEXTLENGTH, WM_GETTEXT}),
        (std::vector<Received>{
            {window, WM_SETTEXT, 0}, {window, WM_GETTEXTLENGTH, 0}, {window, WM_GETTEXT, 0}}));
    ASSERT_TRUE(SetWindowTextW(window, nullptr));
    EXPECT_EQ(GetWindowTextLengthW(window), 0);
}

TEST_F(GeometryTest, VisibilityAndEnabling) {
    HWND parent = MakeWindow(nullptr, WS_POPUP);
    HWND child = MakeWindow(parent, WS_CHILD | WS_VISIBLE);
    EXPECT_FALSE(IsWindowVisible(child)) << "its parent is hidden";
    ClearLog();
    EXPECT_FALSE(ShowWindow(parent, SW_SHOWNA));
    EXPECT_TRUE(ShowWindow(parent, SW_SHOWNA));
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_EQ(CountOf(parent, WM_SHOWWINDOW), 1u) << "only a change is told";

    EXPECT_FALSE(EnableWindow(child, FALSE)) << "it was enabled";
    EXPECT_TRUE(EnableWindow(child, FALSE));
    EXPECT_FALSE(IsWindowEnabled(child));
    EXPECT_TRUE(EnableWindow(child, TRUE));
    EXPECT_EQ(CountOf(child, WM_ENABLE), 2u);
}

TEST_F(GeometryTest, WindowFromPointFindsTheDeepestEnabledShownWindow) {
    HWND parent = MakeShown(RECT{0, 0, 100, 100});
    HWND child = MakeShown(RECT{10, 10, 50, 50}, WS_CHILD, parent);
    HWND hidden = MakeWindow(parent, WS_CHILD);
    SetWindowPos(hidden, HWND_TOP, 60, 60, 20, 20, SWP_NOACTIVATE);
    EXPECT_EQ(WindowFromPoint(POINT{20, 20}), child);
    EXPECT_EQ(WindowFromPoint(POINT{70, 70}), parent);
    EXPECT_EQ(WindowFromPoint(POINT{150, 150}), nullptr);
    EnableWindow(child, FALSE);
    EXPECT_EQ(WindowFromPoint(POINT{20, 20}), parent);
}

}  // namespace
}  // namespace ce::user::test

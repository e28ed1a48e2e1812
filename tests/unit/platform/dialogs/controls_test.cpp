// The controls as a user meets them: taps on the screen, pixels on the screen.
#include "dialog_test_support.h"

#include <string>

#include "user/controls/edit_control.h"

namespace ce::user::test {
namespace {

using ControlsTest = DialogTest;

constexpr int kButtonId = 1001;

bool SameColor(gdi::Pixel pixel, COLORREF color) {
    return pixel == gdi::ToPixel(color);
}

TEST_F(ControlsTest, ATapInAnEditControlTakesTheFocusAndPlacesTheCaret) {
    constexpr DialogItem kItems[] = {
        {u"EDIT", u"", 1000, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 0, 21, 17, 61, 16},
    };
    const DialogTemplate keypad =
        MakeTemplate(WS_POPUP | WS_VISIBLE | DS_SETFONT, 138, 82, kItems, u"Tahoma", 18);
    DialogHook hook;
    HWND dialog = MakeDialog(keypad, nullptr, hook);
    ASSERT_NE(dialog, nullptr);
    HWND edit = GetDlgItem(dialog, 1000);
    ASSERT_TRUE(SetDlgItemTextW(dialog, 1000, u"10.1.2.3"));

    // Just right of the boundary after "10.1".
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
    SIZE prefix{};
    GetTextExtentPoint32W(dc, u"10.1", 4, &prefix);
    SelectObject(dc, previous);
    DeleteDC(dc);
    const POINT tap = OnScreen(edit, POINT{kEditMarginX + prefix.cx + 1, 5});

    ASSERT_NE(GetFocus(), edit);
    PointerDown(tap);
    PointerUp(tap);
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == edit; }));
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 4u);
    EXPECT_EQ(end, 4u);

    // Typing goes in at the caret.
    Key('9', u'9');
    ASSERT_TRUE(PumpDialogUntil(dialog, [&] { return GetWindowTextLengthW(edit) == 9; }));
    WCHAR text[16] = {};
    GetWindowTextW(edit, text, 16);
    EXPECT_EQ(std::u16string(text), u"10.19.2.3");
    DestroyWindow(dialog);
}

TEST_F(ControlsTest, AButtonClicksOnlyWhenThePointerComesUpInsideIt) {
    HWND parent = MakeWindow(nullptr, WS_POPUP | WS_VISIBLE);
    ASSERT_TRUE(MoveWindow(parent, 0, 0, 200, 100, TRUE));
    HWND button = CreateWindowExW(0, u"BUTTON", u"Start", WS_CHILD | WS_VISIBLE, 10, 10, 100, 18,
                                  parent, reinterpret_cast<HMENU>(kButtonId), nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    // The pointer moves on to this point of the parent after each case: input is handled in
    // order, so the case is over when the parent sees it. Input goes to the window with the
    // capture when it is injected, so the test waits for the button to take and release it.
    constexpr POINT kSentinel{190, 90};
    int clicks = 0;
    bool sentinelSeen = false;
    SetAnswer(
        [&](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
            if (window == parent && message == WM_COMMAND) {
                EXPECT_EQ(wParam, static_cast<WPARAM>(MAKELONG(kButtonId, BN_CLICKED)));
                EXPECT_EQ(reinterpret_cast<HWND>(lParam), button);
                ++clicks;
                return 0;
            }
            if (window == parent && message == WM_MOUSEMOVE && LOWORD(lParam) == kSentinel.x &&
                HIWORD(lParam) == kSentinel.y) {
                sentinelSeen = true;
            }
            return std::nullopt;
        });

    struct Case {
        const char* name;
        bool enabled;
        POINT up;
        int clicks;
    };
    const Case cases[] = {
        {"released inside", true, {50, 15}, 1},
        {"released outside, on the parent", true, {150, 60}, 0},
        {"disabled", false, {50, 15}, 0},
    };
    for (const Case& test : cases) {
        EnableWindow(button, test.enabled);
        clicks = 0;
        sentinelSeen = false;
        PointerDown(OnScreen(parent, {50, 15}));
        // The button takes the capture when it handles the press; what follows is routed to it.
        if (test.enabled) {
            ASSERT_TRUE(PumpUntil([&] { return GetCapture() == button; })) << test.name;
        }
        PointerMove(OnScreen(parent, test.up));
        PointerUp(OnScreen(parent, test.up));
        if (test.enabled) {
            ASSERT_TRUE(PumpUntil([&] { return GetCapture() == nullptr; })) << test.name;
        }
        PointerMove(OnScreen(parent, kSentinel));
        ASSERT_TRUE(PumpUntil([&] { return sentinelSeen; })) << test.name;
        EXPECT_EQ(clicks, test.clicks) << test.name;
    }
    DestroyWindow(parent);
}

TEST_F(ControlsTest, AStaticControlIsPaintedWithTheBrushAndColoursOfItsParent) {
    const COLORREF red = RGB(255, 0, 0);
    HBRUSH redBrush = CreateSolidBrush(red);
    HWND parent = MakeWindow(nullptr, WS_POPUP | WS_VISIBLE);
    ASSERT_TRUE(MoveWindow(parent, 0, 0, 240, 100, TRUE));
    HWND status =
        CreateWindowExW(0, u"STATIC", u"Waiting...", WS_CHILD | WS_VISIBLE | SS_CENTER, 5, 50, 150,
                        18, parent, reinterpret_cast<HMENU>(1005), nullptr, nullptr);
    HWND address = CreateWindowExW(0, u"STATIC", u"IP: x.x.x.x", WS_CHILD | WS_VISIBLE, 5, 5, 230,
                                   18, parent, reinterpret_cast<HMENU>(1004), nullptr, nullptr);
    ASSERT_NE(status, nullptr);
    ASSERT_NE(address, nullptr);
    SetAnswer(
        [&](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
            if (window != parent || message != WM_CTLCOLORSTATIC) {
                return std::nullopt;
            }
            if (reinterpret_cast<HWND>(lParam) != status) {
                return 0;
            }
            SetBkColor(reinterpret_cast<HDC>(wParam), red);
            return reinterpret_cast<LRESULT>(redBrush);
        });
    UpdateWindow(parent);

    drivers::HeadlessDriver& screen = Screen();
    const POINT statusCorner = OnScreen(status, {1, 1});
    ASSERT_TRUE(
        PumpUntil([&] { return SameColor(screen.PixelAt(statusCorner.x, statusCorner.y), red); }));
    // The text is drawn in the DC's text colour over the parent's background colour.
    int textPixels = 0;
    int defaultPixels = 0;
    for (int y = 0; y < 18; ++y) {
        for (int x = 0; x < 150; ++x) {
            const POINT at = OnScreen(status, {x, y});
            const gdi::Pixel pixel = screen.PixelAt(at.x, at.y);
            textPixels += SameColor(pixel, GetSysColor(COLOR_WINDOWTEXT)) ? 1 : 0;
            defaultPixels += SameColor(pixel, GetSysColor(COLOR_BTNFACE)) ? 1 : 0;
        }
    }
    EXPECT_GT(textPixels, 20);
    EXPECT_EQ(defaultPixels, 0) << "the text cells have the parent's background colour";

    // A parent that answers with no brush leaves the static the default colours.
    const POINT addressCorner = OnScreen(address, {1, 1});
    EXPECT_TRUE(
        SameColor(screen.PixelAt(addressCorner.x, addressCorner.y), GetSysColor(COLOR_BTNFACE)));
    DestroyWindow(parent);
    DeleteObject(redBrush);
}

}  // namespace
}  // namespace ce::user::test

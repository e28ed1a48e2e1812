// What the headless screen shows: painted pixels at their place, frames, captions and stacking.
#include "user_test_support.h"

namespace ce::user::test {
namespace {

using ScreenTest = UserTest;

constexpr gdi::Pixel kRed = gdi::ToPixel(RGB(255, 0, 0));
constexpr gdi::Pixel kBlue = gdi::ToPixel(RGB(0, 0, 255));
// COLOR_WINDOWFRAME, which the programs do not name.
constexpr int kColorWindowFrameForTest = 6;

// Windows of the recording class paint their client area in the colour kept in their user data.
class PaintingTest : public ScreenTest {
protected:
    PaintingTest() {
        SetAnswer([](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (message != WM_PAINT) {
                return std::nullopt;
            }
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            HBRUSH brush =
                CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(window, GWLP_USERDATA)));
            RECT client;
            GetClientRect(window, &client);
            FillRect(dc, &client, brush);
            DeleteObject(brush);
            EndPaint(window, &paint);
            return 0;
        });
    }

    HWND Painted(const RECT& rect, COLORREF color, DWORD style = WS_POPUP, HWND parent = nullptr) {
        HWND window = CreateWindowExW(0, TEXT("Recorder"), TEXT("Painted"), style, rect.left,
                                      rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                      parent, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, static_cast<LONG_PTR>(color));
        ShowWindow(window, SW_SHOW);
        DispatchWaiting();
        return window;
    }

    gdi::Pixel At(int x, int y) const { return Screen().PixelAt(x, y); }
};

TEST_F(PaintingTest, APaintShowsOnTheScreenAtItsPlace) {
    HWND window = Painted(RECT{20, 30, 120, 110}, RGB(255, 0, 0), WS_CAPTION);
    Painted(RECT{10, 10, 30, 20}, RGB(0, 0, 255), WS_CHILD | WS_BORDER, window);
    struct Case {
        const char* name;
        int x;
        int y;
        gdi::Pixel expected;
    };
    const Case cases[] = {
        {"the frame", 20, 30, gdi::ToPixel(GetSysColor(kColorWindowFrameForTest))},
        {"the caption of the active window", 60, 31,
         gdi::ToPixel(GetSysColor(COLOR_ACTIVECAPTION))},
        {"the client area's corner", 21, 51, kRed},
        {"the client area's far corner", 118, 108, kRed},
        {"the child's border", 31, 61, gdi::ToPixel(GetSysColor(kColorWindowFrameForTest))},
        {"the child", 32, 62, kBlue},
        {"outside the window", 121, 111, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(At(c.x, c.y), c.expected);
    }
}

TEST_F(PaintingTest, AResizedWindowIsPaintedAgainWhole) {
    HWND window = Painted(RECT{0, 0, 20, 20}, RGB(255, 0, 0));
    MoveWindow(window, 0, 0, 40, 40, TRUE);
    DispatchWaiting();
    EXPECT_EQ(At(35, 35), kRed);
    MoveWindow(window, 100, 100, 40, 40, FALSE);
    EXPECT_EQ(At(135, 135), kRed) << "a move keeps the pixels";
    EXPECT_EQ(At(35, 35), 0);
}

TEST_F(PaintingTest, TopLevelWindowsAreStacked) {
    HWND lower = Painted(RECT{0, 0, 50, 50}, RGB(255, 0, 0));
    HWND upper = Painted(RECT{25, 25, 75, 75}, RGB(0, 0, 255));
    EXPECT_EQ(At(30, 30), kBlue);
    SetWindowPos(upper, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(At(30, 30), kRed);
    EXPECT_EQ(At(70, 70), kBlue);
    SetActiveWindow(lower);
    SetActiveWindow(upper);
    EXPECT_EQ(At(30, 30), kBlue) << "activation raises";
    DestroyWindow(upper);
    EXPECT_EQ(At(30, 30), kRed);
    ShowWindow(lower, SW_HIDE);
    EXPECT_EQ(At(30, 30), 0);
}

}  // namespace
}  // namespace ce::user::test

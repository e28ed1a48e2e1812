// Message boxes: what they show, the keys that end them and the owner around them.
#include "dialog_test_support.h"

#include <string>

namespace ce::user::test {
namespace {

using MessageBoxTest = DialogTest;

constexpr UINT_PTR kLookTimer = 3;

struct Shown {
    std::u16string caption;
    int iconPixels = 0;
    int textPixels = 0;
    BOOL ownerEnabled = TRUE;
};

// Counts, in the box's client area, the pixels of the icon (anything but the background) and of
// the text (the text colour) right of where the icon goes.
void LookAt(drivers::HeadlessDriver& screen, HWND box, Shown& shown) {
    POINT origin{0, 0};
    ClientToScreen(box, &origin);
    RECT client{};
    GetClientRect(box, &client);
    const gdi::Pixel background = screen.PixelAt(origin.x + 2, origin.y + 2);
    const gdi::Pixel text = gdi::ToPixel(GetSysColor(COLOR_WINDOWTEXT));
    const int iconSize = GetSystemMetrics(SM_CXICON);
    shown.iconPixels = 0;
    shown.textPixels = 0;
    for (int y = 8; y < 8 + iconSize; ++y) {
        for (int x = 0; x < client.right; ++x) {
            const gdi::Pixel pixel = screen.PixelAt(origin.x + x, origin.y + y);
            if (x >= 8 && x < 8 + iconSize) {
                shown.iconPixels += pixel != background ? 1 : 0;
            } else if (x >= 8 + iconSize) {
                shown.textPixels += pixel == text ? 1 : 0;
            }
        }
    }
}

TEST_F(MessageBoxTest, ShowsItsCaptionTextAndIconAndEndsWithTheKeys) {
    struct Case {
        const char* name;
        LPCWSTR caption;
        UINT type;
        UINT key;
        char16_t character;
        int result;
        std::u16string expectedCaption;
    };
    const Case cases[] = {
        {"Enter on OK", u"BrevantaClient", MB_OK | MB_ICONEXCLAMATION, VK_RETURN, u'\r', IDOK,
         u"BrevantaClient"},
        {"Escape on OK alone", nullptr, MB_OK | MB_ICONHAND, VK_ESCAPE, 0x1B, IDOK, u"Error"},
        {"Escape with Cancel", u"Question", MB_OKCANCEL | MB_ICONQUESTION, VK_ESCAPE, 0x1B,
         IDCANCEL, u"Question"},
    };
    HWND owner = MakeWindow(nullptr, WS_POPUP | WS_VISIBLE);
    ASSERT_TRUE(MoveWindow(owner, 0, 0, 272, 480, TRUE));
    for (const Case& test : cases) {
        Shown shown;
        bool keySent = false;
        SetAnswer([&](HWND window, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (window != owner || message != WM_TIMER || wParam != kLookTimer || keySent) {
                return std::nullopt;
            }
            const auto windows = Screen().VisibleWindows();
            if (windows.empty() || windows.front().className != u"MessageBox") {
                return 0;
            }
            const auto box = reinterpret_cast<HWND>(windows.front().id);
            LookAt(Screen(), box, shown);
            if (shown.iconPixels > 50 && shown.textPixels > 10) {
                shown.caption = windows.front().title;
                shown.ownerEnabled = IsWindowEnabled(owner);
                keySent = true;
                Key(test.key, test.character);
            }
            return 0;
        });
        SetTimer(owner, kLookTimer, 10, nullptr);
        const int result = MessageBoxW(owner, u"Synchronization failed, please try again",
                                       test.caption, test.type);
        KillTimer(owner, kLookTimer);
        EXPECT_TRUE(keySent) << test.name << ": the box showed its icon and text";
        EXPECT_EQ(result, test.result) << test.name;
        EXPECT_EQ(shown.caption, test.expectedCaption) << test.name;
        EXPECT_FALSE(shown.ownerEnabled) << test.name;
        EXPECT_TRUE(IsWindowEnabled(owner)) << test.name;
        EXPECT_EQ(GetActiveWindow(), owner) << test.name;
    }
}

}  // namespace
}  // namespace ce::user::test

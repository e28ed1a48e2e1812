// Dialog units: the template's font gives the base units, and the dialog and its controls get
// their pixel sizes and places from them.
#include "dialog_test_support.h"

#include <string>

namespace ce::user::test {
namespace {

using DialogUnitsTest = DialogTest;

constexpr DialogItem kKeypadItems[] = {
    {u"EDIT", u"", 1000, 0x50800080u, 0, 21, 17, 61, 16},
};

struct BaseUnits {
    int x;
    int y;
};

// Measured here from the font itself, the way the device defines dialog units.
BaseUnits MeasureFont(HFONT font) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    const std::u16string letters = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent{};
    GetTextExtentPoint32W(dc, letters.c_str(), static_cast<int>(letters.size()), &extent);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return BaseUnits{(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}

RECT ClientRectIn(HWND window, HWND parent) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST_F(DialogUnitsTest, TheTemplateFontSetsTheBaseUnitsOfTheDialogAndItsControls) {
    const DialogTemplate keypad = MakeTemplate(0x80000040u, 138, 82, kKeypadItems, u"Tahoma", 18);
    DialogHook hook;
    HWND dialog = MakeDialog(keypad, nullptr, hook);
    ASSERT_NE(dialog, nullptr);

    const auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW logFont{};
    ASSERT_EQ(GetObjectW(font, sizeof logFont, &logFont), static_cast<int>(sizeof logFont));
    EXPECT_EQ(logFont.lfHeight, -24) << "18 points on a 96 dpi screen";
    EXPECT_EQ(std::u16string(logFont.lfFaceName), u"Tahoma");

    const BaseUnits units = MeasureFont(font);
    ASSERT_GT(units.x, 0);
    RECT mapped{21, 17, 61, 16};
    ASSERT_TRUE(MapDialogRect(dialog, &mapped));
    EXPECT_EQ(mapped.left, MulDiv(21, units.x, 4));
    EXPECT_EQ(mapped.top, MulDiv(17, units.y, 8));
    EXPECT_EQ(mapped.right, MulDiv(61, units.x, 4));
    EXPECT_EQ(mapped.bottom, MulDiv(16, units.y, 8));

    HWND edit = GetDlgItem(dialog, 1000);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(SendMessageW(edit, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
    const RECT place = ClientRectIn(edit, dialog);
    EXPECT_EQ(place.left, MulDiv(21, units.x, 4));
    EXPECT_EQ(place.top, MulDiv(17, units.y, 8));
    EXPECT_EQ(place.right - place.left, MulDiv(61, units.x, 4));
    EXPECT_EQ(place.bottom - place.top, MulDiv(16, units.y, 8));
    EXPECT_FALSE(IsWindowVisible(dialog)) << "the template has no WS_VISIBLE";
    DestroyWindow(dialog);
}

TEST_F(DialogUnitsTest, TheDialogSizeIsItsClientAreaWhateverItsFrame) {
    struct Case {
        const char* name;
        DWORD style;
        LPCWSTR face;
        WORD points;
    };
    const Case cases[] = {
        {"no frame, template font", WS_POPUP | DS_SETFONT, u"Tahoma", 9},
        {"caption, system font", WS_POPUP | WS_CAPTION, nullptr, 0},
    };
    for (const Case& test : cases) {
        const DialogTemplate plain = MakeTemplate(test.style, 130, 90, {}, test.face, test.points);
        DialogHook hook;
        HWND dialog = MakeDialog(plain, nullptr, hook);
        ASSERT_NE(dialog, nullptr) << test.name;
        const BaseUnits units =
            MeasureFont(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
        RECT client{};
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, MulDiv(130, units.x, 4)) << test.name;
        EXPECT_EQ(client.bottom, MulDiv(90, units.y, 8)) << test.name;
        DestroyWindow(dialog);
    }
}

}  // namespace
}  // namespace ce::user::test

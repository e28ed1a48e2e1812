// Dialog templates and strings found by number in the program's resources.
#include "dialog_test_support.h"

#include <string>

namespace ce::user::test {
namespace {

using ResourcesTest = DialogTest;

constexpr DialogItem kItems[] = {
    {u"EDIT", u"", 1000, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 0, 21, 17, 61, 16},
};
const DialogTemplate kKeypad = MakeTemplate(WS_POPUP | DS_SETFONT, 138, 82, kItems, u"Tahoma", 18);
constexpr DialogResource kDialogs[] = {{129, &kKeypad}};
constexpr StringResource kStrings[] = {{1, u"2.0.2.0"}};
const ResourceTable kTable{kDialogs, {}, {}, kStrings};

TEST_F(ResourcesTest, LoadStringCopiesOrPointsAtTheText) {
    const ResourceRegistration registration(kTable);
    WCHAR buffer[128] = {};
    EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 128), 7);
    EXPECT_EQ(std::u16string(buffer), u"2.0.2.0");
    EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 4), 3) << "cut to the buffer";
    EXPECT_EQ(std::u16string(buffer), u"2.0");

    LPCWSTR text = nullptr;
    EXPECT_EQ(LoadStringW(nullptr, 1, reinterpret_cast<LPWSTR>(&text), 0), 7);
    EXPECT_EQ(text, kStrings[0].text) << "capacity 0 hands out the read-only text itself";

    EXPECT_EQ(LoadStringW(nullptr, 2, buffer, 128), 0);
    EXPECT_EQ(buffer[0], u'\0');
}

TEST_F(ResourcesTest, DialogsAreFoundByNumber) {
    const ResourceRegistration registration(kTable);
    bool seenEdit = false;
    DialogHook hook = [&](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            seenEdit = GetDlgItem(dialog, 1000) != nullptr;
            EndDialog(dialog, 12);
        }
        return FALSE;
    };
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(129), nullptr, &HookedDialogProc,
                              reinterpret_cast<LPARAM>(&hook)),
              12);
    EXPECT_TRUE(seenEdit);
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(130), nullptr, &HookedDialogProc, 0), -1);
    EXPECT_EQ(CreateDialogParamW(nullptr, MAKEINTRESOURCEW(130), nullptr, &HookedDialogProc, 0),
              nullptr);
}

}  // namespace
}  // namespace ce::user::test

// Decisions of the address keypad, without a window.
#include <gtest/gtest.h>

#include <string>

#include "keypad/keypad_layout.h"

namespace {

TEST(KeypadKeys, GridAndBackspaceEdges) {
    struct Case {
        LONG x;
        LONG y;
        int key;
    };
    const Case cases[] = {
        {17, 128, 0},
        {96, 207, 0},
        {97, 128, 1},
        {176, 128, 1},
        {177, 128, 2},
        {256, 128, 2},
        {17, 208, 3},
        {17, 288, 6},
        {17, 447, 9},
        {97, 400, 10},
        {256, 447, kEnterKey},
        {16, 150, kNoKey},
        {257, 150, kNoKey},
        {100, 127, kNoKey},
        {100, 448, kNoKey},
        {217, 71, kBackspaceKey},
        {257, 111, kBackspaceKey},
        {257, 90, kBackspaceKey},
        {216, 90, kNoKey},
        {230, 70, kNoKey},
        {230, 112, kNoKey},
        {100, 120, kNoKey},  // between the edit box row and the grid
        {100, 90, kNoKey},   // the edit box belongs to the edit control
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeypadKeyAt(POINT{c.x, c.y}), c.key) << c.x << "," << c.y;
    }
}

TEST(KeypadKeys, EditingKeys) {
    const std::u16string characters = u"7894561230.";
    for (int key = 0; key < 11; ++key) {
        CString result = ApplyEditingKey(key, CString(u"10."));
        EXPECT_EQ(std::u16string(result), u"10." + characters.substr(key, 1));
    }
    EXPECT_EQ(std::u16string(ApplyEditingKey(kBackspaceKey, CString(u"10.1"))), u"10.");
    EXPECT_TRUE(ApplyEditingKey(kBackspaceKey, CString(u"")).IsEmpty());
    EXPECT_EQ(std::u16string(ApplyEditingKey(kEnterKey, CString(u"1.2"))), u"1.2");
    // No length limit.
    EXPECT_EQ(ApplyEditingKey(0, CString(std::u16string(200, u'1').c_str())).GetLength(), 201);
}

TEST(ServerAddressCheck, AcceptsOnlyWhatTheTransferClientCanUse) {
    for (const char16_t* valid :
         {u"10.1.2.3", u"0.0.0.0", u"255.255.255.254", u"192.168.100.200", u"1.0.10.100"}) {
        EXPECT_TRUE(IsValidServerAddress(CString(valid))) << std::u16string(valid).size();
    }
    for (const char16_t* invalid :
         {u"",           u"10.1.2",          u"10.1.2.3.4",       u"10.1..3",    u"10.1.2.3.",
          u"10.1.2.256", u"255.255.255.255", u"255.255.255.0255", u"a.1.2.3",    u"1x.2.3.4",
          u"-1.2.3.4",   u"010.0.0.1",       u"1.2.3.04",         u"1.2.3.0000", u" 1.2.3.4",
          u"1.2.3.4 ",   u"+1.2.3.4",        u"1.2.3.4\u0661",    u"1234.1.1.1", u".1.2.3"}) {
        EXPECT_FALSE(IsValidServerAddress(CString(invalid)))
            << std::string(std::u16string(invalid).begin(), std::u16string(invalid).end());
    }
}

}  // namespace

// Fonts from point sizes, selection through CDC, and drawing into a memory context.
#include "mfc_test.h"

namespace ce::mfc::test {
namespace {

LONG FontHeight(const CFont& font) {
    LOGFONTW logFont{};
    EXPECT_EQ(font.GetObject(sizeof logFont, &logFont), static_cast<int>(sizeof logFont));
    return logFont.lfHeight;
}

TEST_F(MfcTest, PointFontsTakeTheirHeightFromTheVerticalResolution) {
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
    ASSERT_EQ(memory.GetDeviceCaps(LOGPIXELSY), 96);

    struct Case {
        int tenths;
        LONG height;
    };
    for (const Case& c : {Case{100, -13}, Case{90, -12}, Case{180, -24}}) {
        CFont font;
        ASSERT_TRUE(font.CreatePointFont(c.tenths, TEXT("Tahoma")));
        EXPECT_EQ(FontHeight(font), c.height) << c.tenths;
    }

    CFont font;
    ASSERT_TRUE(font.CreatePointFont(100, TEXT("Tahoma"), &memory));
    EXPECT_EQ(FontHeight(font), -13);
}

TEST_F(MfcTest, SelectingReturnsWrappersOfThePreviousObjects) {
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(100, TEXT("Tahoma")));

    CFont* previous = memory.SelectObject(&font);
    ASSERT_NE(previous, nullptr);
    EXPECT_NE(previous->m_hObject, font.m_hObject);
    CFont* restored = memory.SelectObject(previous);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->m_hObject, font.m_hObject);
    EXPECT_EQ(CFont::FromHandle(font), restored);
}

TEST_F(MfcTest, FillSolidRectAndBlitsDrawThroughTheContexts) {
    CDC source;
    ASSERT_TRUE(source.CreateCompatibleDC(nullptr));
    const HWND window = MakePlainWindow();
    const HDC windowDc = GetDC(window);
    CBitmap sourceBitmap;
    ASSERT_TRUE(sourceBitmap.Attach(CreateCompatibleBitmap(windowDc, 4, 4)));
    CBitmap targetBitmap;
    ASSERT_TRUE(targetBitmap.Attach(CreateCompatibleBitmap(windowDc, 8, 8)));
    ReleaseDC(window, windowDc);
    BITMAP info{};
    ASSERT_NE(sourceBitmap.GetBitmap(&info), 0);
    EXPECT_EQ(info.bmWidth, 4);
    EXPECT_EQ(info.bmHeight, 4);

    CBitmap* original = source.SelectObject(&sourceBitmap);
    source.FillSolidRect(0, 0, 4, 4, RGB(0, 0, 0));
    source.FillSolidRect(CRect(1, 1, 3, 3), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(source, 1, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(source, 3, 3), RGB(0, 0, 0));

    CDC target;
    ASSERT_TRUE(target.CreateCompatibleDC(&source));
    target.SelectObject(&targetBitmap);
    EXPECT_TRUE(target.StretchBlt(0, 0, 8, 8, &source, 0, 0, 4, 4, SRCCOPY));
    EXPECT_EQ(GetPixel(target, 2, 2), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(target, 1, 1), RGB(0, 0, 0));
    EXPECT_TRUE(target.BitBlt(0, 0, 1, 1, &source, 1, 1, SRCCOPY));
    EXPECT_EQ(GetPixel(target, 0, 0), RGB(255, 0, 0));
    source.SelectObject(original);
}

}  // namespace
}  // namespace ce::mfc::test

// Handles, selection, deletion and the state of device contexts.
#include <gtest/gtest.h>

#include "gdi/permanent_brush.h"
#include "gdi_test_support.h"

namespace ce::gdi::test {
namespace {

TEST(Objects, SelectedObjectsAreNotDeletedAndDeletedHandlesStayInvalid) {
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, 2, 2);
    const HGDIOBJ defaultBrush = SelectObject(dc, brush);
    const HGDIOBJ defaultBitmap = SelectObject(dc, bitmap);
    EXPECT_EQ(defaultBrush, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetObjectType(defaultBitmap), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);

    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(SelectObject(dc, defaultBrush), brush);
    EXPECT_EQ(SelectObject(dc, defaultBitmap), bitmap);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(bitmap));

    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_EQ(GetObjectType(brush), 0u);
    EXPECT_EQ(SelectObject(dc, brush), nullptr);
    EXPECT_FALSE(DeleteObject(dc));  // contexts end with DeleteDC
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
}

TEST(Objects, DeletingAContextReleasesItsSelections) {
    const HDC dc = CreateCompatibleDC(nullptr);
    const HPEN pen = CreatePen(PS_SOLID, 1, RGB(9, 9, 9));
    SelectObject(dc, pen);
    EXPECT_EQ(SaveDC(dc), 1);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(pen));
}

TEST(Objects, StockAndPermanentObjectsSurviveDeleteObject) {
    const HBRUSH permanent = CreatePermanentBrush(RGB(10, 20, 30));
    for (const HGDIOBJ object : {GetStockObject(WHITE_BRUSH), GetStockObject(NULL_PEN),
                                 GetStockObject(SYSTEM_FONT), static_cast<HGDIOBJ>(permanent)}) {
        const DWORD type = GetObjectType(object);
        EXPECT_NE(type, 0u);
        EXPECT_TRUE(DeleteObject(object));
        EXPECT_EQ(GetObjectType(object), type);
    }
    LOGBRUSH description{};
    EXPECT_EQ(GetObjectW(permanent, sizeof description, &description),
              static_cast<int>(sizeof description));
    EXPECT_EQ(description.lbColor, RGB(10, 20, 30));
    EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_EQ(GetStockObject(99), nullptr);
}

TEST(Objects, GetObjectDescribesBitmapsAndFonts) {
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, 7, 3);
    BITMAP description{};
    EXPECT_EQ(GetObjectW(bitmap, sizeof description, &description),
              static_cast<int>(sizeof description));
    EXPECT_EQ(description.bmWidth, 7);
    EXPECT_EQ(description.bmHeight, 3);
    EXPECT_EQ(description.bmBitsPixel, 16);
    EXPECT_EQ(GetObjectW(bitmap, 0, nullptr), static_cast<int>(sizeof(BITMAP)));

    LOGFONTW font{};
    font.lfHeight = -20;
    font.lfItalic = 1;
    const HFONT handle = CreateFontIndirectW(&font);
    LOGFONTW back{};
    EXPECT_EQ(GetObjectW(handle, sizeof back, &back), static_cast<int>(sizeof back));
    EXPECT_EQ(back.lfHeight, -20);
    EXPECT_EQ(back.lfItalic, 1);
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    DeleteObject(handle);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST(Objects, SaveAndRestoreTheDrawingState) {
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBRUSH brush = CreateSolidBrush(RGB(1, 1, 1));
    SetTextColor(dc, RGB(1, 0, 0));
    EXPECT_EQ(SaveDC(dc), 1);
    SelectObject(dc, brush);
    SetTextColor(dc, RGB(2, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    EXPECT_EQ(SaveDC(dc), 2);
    SetTextColor(dc, RGB(3, 0, 0));

    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(GetTextColor(dc), RGB(2, 0, 0));
    EXPECT_FALSE(DeleteObject(brush));  // the current state still holds it
    EXPECT_TRUE(RestoreDC(dc, 1));
    EXPECT_EQ(GetTextColor(dc), RGB(1, 0, 0));
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_FALSE(RestoreDC(dc, 1));  // that level is gone
    EXPECT_TRUE(DeleteObject(brush));
    DeleteDC(dc);
}

TEST(Objects, DeviceCapabilitiesOfAMemoryContext) {
    const HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 16);
    EXPECT_EQ(GetDeviceCaps(dc, PLANES), 1);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), GetSystemMetrics(SM_CXSCREEN));
    DeleteDC(dc);
}

}  // namespace
}  // namespace ce::gdi::test

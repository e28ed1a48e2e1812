// Icons from the program's resources and the system's own, drawn with their transparency.
#include <gtest/gtest.h>

#include <array>

#include "ce/resources.h"
#include "gdi_test_support.h"

namespace ce::gdi::test {
namespace {

constexpr WORD kIconId = 128;

TEST(Icons, ResourceIconPicksTheImageNearest32AndKeepsItsTransparency) {
    for (const int bitCount : {24, 32}) {
        SCOPED_TRACE(bitCount);
        const auto file = BuildIco({
            {16, RGB(0, 255, 0), nullptr, bitCount},
            {32, RGB(255, 0, 0), [](int x, int) { return x < 16; }, bitCount},
            {48, RGB(0, 0, 255), nullptr, bitCount},
        });
        const std::array<BinaryResource, 1> icons{BinaryResource{kIconId, file}};
        const ResourceTable table{{}, {}, icons, {}};
        const ResourceRegistration registration(table);
        const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconId));
        ASSERT_NE(icon, nullptr);

        Canvas canvas(40, 40);
        EXPECT_TRUE(DrawIcon(canvas.Dc(), 4, 4, icon));
        EXPECT_EQ(canvas.BoundsOfNot(kWhite), (RECT{20, 4, 36, 36}));
        EXPECT_EQ(canvas.Count([](Pixel p) { return p == 0xF800; }), 16 * 32);
        EXPECT_TRUE(DestroyIcon(icon));
        EXPECT_FALSE(DestroyIcon(icon));
        EXPECT_FALSE(DrawIcon(canvas.Dc(), 4, 4, icon));
    }
}

TEST(Icons, MalformedIconFilesLoadNothing) {
    auto file = BuildIco({{32, 0, nullptr, 24}});
    file[18] = 0xFF;  // the image's offset points past the end
    file[19] = 0xFF;
    const std::array<BinaryResource, 2> icons{
        BinaryResource{kIconId, file},
        BinaryResource{kIconId + 1, std::span<const unsigned char>(file.data(), 10)}};
    const ResourceTable table{{}, {}, icons, {}};
    const ResourceRegistration registration(table);
    EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconId)), nullptr);
    EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconId + 1)), nullptr);
}

TEST(Icons, SystemIconsAreDrawnSharedAndNeverDestroyed) {
    struct Case {
        const char* name;
        LPCWSTR id;
        COLORREF body;  // the colour of the shape away from its mark
        POINT bodyAt;
        COLORREF mark;
        POINT markAt;
    };
    const Case cases[] = {
        {"exclamation", IDI_EXCLAMATION, RGB(250, 205, 20), {8, 28}, RGB(0, 0, 0), {16, 16}},
        {"hand", IDI_HAND, RGB(210, 30, 30), {16, 4}, RGB(255, 255, 255), {16, 16}},
        {"question", IDI_QUESTION, RGB(30, 90, 200), {16, 3}, RGB(255, 255, 255), {15, 23}},
        {"asterisk", IDI_ASTERISK, RGB(30, 90, 200), {5, 16}, RGB(255, 255, 255), {16, 16}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const HICON icon = LoadIconW(nullptr, c.id);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(LoadIconW(nullptr, c.id), icon);
        Canvas canvas(32, 32);
        canvas.Clear(RGB(0, 255, 0));
        EXPECT_TRUE(DrawIcon(canvas.Dc(), 0, 0, icon));
        EXPECT_EQ(canvas.At(0, 0), 0x07E0) << "corners show what is behind";
        EXPECT_EQ(canvas.At(c.bodyAt.x, c.bodyAt.y), ToPixel(c.body));
        EXPECT_EQ(canvas.At(c.markAt.x, c.markAt.y), ToPixel(c.mark));
        EXPECT_TRUE(DestroyIcon(icon));
        EXPECT_TRUE(DrawIcon(canvas.Dc(), 0, 0, icon));
    }
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(1)), nullptr);
}

}  // namespace
}  // namespace ce::gdi::test

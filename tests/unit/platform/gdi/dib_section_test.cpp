// DIB sections: RGB565 pixel memory in the layout the description asks for, written by drawing
// into a context the section is selected into.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "windows.h"

namespace {

constexpr std::uint32_t kMasks565[3] = {0xF800, 0x07E0, 0x001F};

// A BITMAPINFOHEADER followed by three masks, as the display server builds it.
struct Description {
    BITMAPINFOHEADER header{};
    std::uint32_t masks[3] = {kMasks565[0], kMasks565[1], kMasks565[2]};

    Description(LONG width, LONG height, DWORD compression = BI_BITFIELDS) {
        header.biSize = sizeof(BITMAPINFOHEADER);
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = 16;
        header.biCompression = compression;
    }
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

std::uint16_t Word(const void* bits, std::size_t byteOffset) {
    std::uint16_t word = 0;
    std::memcpy(&word, static_cast<const std::uint8_t*>(bits) + byteOffset, sizeof word);
    return word;
}

TEST(DibSection, RowsFollowTheHeightsSignAndArePaddedToFourBytes) {
    struct Case {
        const char* name;
        LONG height;
        DWORD compression;
        // Byte offsets of pixel (0, 0), (2, 0) and (0, 1) of the 3x2 section.
        std::size_t origin, right, below;
    };
    const Case cases[] = {
        {"bottom-up", 2, BI_BITFIELDS, 8, 12, 0},
        {"top-down", -2, BI_BITFIELDS, 0, 4, 8},
        {"BI_RGB taken as RGB565", 2, BI_RGB, 8, 12, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        void* bits = nullptr;
        const Description description(3, c.height, c.compression);
        HBITMAP section =
            CreateDIBSection(nullptr, description.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(section, nullptr);
        ASSERT_NE(bits, nullptr);
        BITMAP object{};
        ASSERT_EQ(GetObjectW(section, sizeof object, &object), static_cast<int>(sizeof object));
        EXPECT_EQ(object.bmWidth, 3);
        EXPECT_EQ(object.bmHeight, 2);
        EXPECT_EQ(object.bmWidthBytes, 8);
        EXPECT_EQ(object.bmBits, bits);

        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(dc, section);
        SetPixel(dc, 0, 0, RGB(255, 0, 0));
        SetPixel(dc, 2, 0, RGB(0, 255, 0));
        SetPixel(dc, 0, 1, RGB(0, 0, 255));
        EXPECT_EQ(Word(bits, c.origin), 0xF800);
        EXPECT_EQ(Word(bits, c.right), 0x07E0);
        EXPECT_EQ(Word(bits, c.below), 0x001F);
        EXPECT_FALSE(DeleteObject(section)) << "selected";
        SelectObject(dc, previous);
        DeleteDC(dc);
        EXPECT_TRUE(DeleteObject(section));
    }
}

TEST(DibSection, AnythingButRgb565IsRefused) {
    struct Case {
        const char* name;
        void (*change)(Description&);
        UINT usage = DIB_RGB_COLORS;
        HANDLE section = nullptr;
    };
    const Case cases[] = {
        {"24 bits", [](Description& d) { d.header.biBitCount = 24; }},
        {"555 masks", [](Description& d) { d.masks[0] = 0x7C00, d.masks[1] = 0x03E0; }},
        {"two planes", [](Description& d) { d.header.biPlanes = 2; }},
        {"no width", [](Description& d) { d.header.biWidth = 0; }},
        {"no height", [](Description& d) { d.header.biHeight = 0; }},
        {"short header", [](Description& d) { d.header.biSize = 12; }},
        {"palette colours", [](Description&) {}, 1},
        {"file mapping", [](Description&) {}, DIB_RGB_COLORS, reinterpret_cast<HANDLE>(8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Description description(4, 4);
        c.change(description);
        void* bits = &description;
        EXPECT_EQ(CreateDIBSection(nullptr, description.Info(), c.usage, &bits, c.section, 0),
                  nullptr);
        EXPECT_EQ(bits, nullptr);
    }
}

}  // namespace

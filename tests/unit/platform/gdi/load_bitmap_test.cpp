// Bitmaps from the program's resources: every pixel format a .bmp may hold, converted to RGB565
// exactly, and malformed files refused.
#include <gtest/gtest.h>

#include <array>

#include "ce/resources.h"
#include "gdi/bitmap_surface.h"
#include "gdi_test_support.h"

namespace ce::gdi::test {
namespace {

constexpr WORD kBitmapId = 130;

// Registers one bitmap resource for the length of a scope and loads it.
HBITMAP Load(const std::vector<std::uint8_t>& file) {
    const std::array<BinaryResource, 1> bitmaps{BinaryResource{kBitmapId, file}};
    const ResourceTable table{{}, bitmaps, {}, {}};
    const ResourceRegistration registration(table);
    return LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kBitmapId));
}

std::vector<Pixel> PixelsOf(HBITMAP bitmap) {
    std::vector<Pixel> pixels;
    const auto surface = BitmapSurface(bitmap);
    for (int y = 0; y < surface->Height(); ++y) {
        for (int x = 0; x < surface->Width(); ++x) {
            pixels.push_back(surface->At(x, y));
        }
    }
    return pixels;
}

Row Le16(std::initializer_list<std::uint16_t> values) {
    Row bytes;
    for (const auto value : values) {
        bytes.push_back(static_cast<std::uint8_t>(value));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    return bytes;
}

Row Bytes(std::initializer_list<int> values) {
    Row row;
    for (const int value : values) {
        row.push_back(static_cast<std::uint8_t>(value));
    }
    return row;
}

// The file with `count` bytes of a little-endian value written at `at`.
std::vector<std::uint8_t> Patched(std::vector<std::uint8_t> file, std::size_t at,
                                  std::uint32_t value, std::size_t count = 4) {
    for (std::size_t i = 0; i < count && at + i < file.size(); ++i) {
        file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return file;
}

TEST(LoadBitmap, FiveFiveFiveBecomesExactRgb565) {
    // 5-bit green g widens to 6 bits as (g << 1) | (g >> 4).
    const HBITMAP bitmap = Load(BuildBmp(Bmp(
        4, 2, 16, {Le16({0x7FFF, 0x7C00, 0x03E0, 0x01E0}), Le16({0x001F, 0x0000, 0x4210, 0})})));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(PixelsOf(bitmap),
              (std::vector<Pixel>{0xFFFF, 0xF800, 0x07E0, 0x03C0, 0x001F, 0x0000, 0x8430, 0}));
    DeleteObject(bitmap);
}

TEST(LoadBitmap, EveryFormatGivesTheSamePicture) {
    // red, green, blue / white, black, grey (128,128,128) in each format.
    const std::vector<Pixel> expected{0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000, 0x8410};
    const std::vector<std::uint32_t> palette{0xFF0000, 0x00FF00, 0x0000FF,
                                             0xFFFFFF, 0x000000, 0x808080};
    BmpContent masked = Bmp(3, 2, 16, {Le16({0xF800, 0x07E0, 0x001F}), Le16({0xFFFF, 0, 0x8410})});
    masked.compression = 3;
    masked.masks = {0xF800, 0x07E0, 0x001F};
    BmpContent topDown = Bmp(3, 2, 32,
                             {Bytes({0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0}),
                              Bytes({255, 255, 255, 0, 0, 0, 0, 0, 128, 128, 128, 0})});
    topDown.topDown = true;
    BmpContent eight = Bmp(3, 2, 8, {Bytes({0, 1, 2}), Bytes({3, 4, 5})});
    eight.palette = palette;
    BmpContent four = Bmp(3, 2, 4, {Bytes({0x01, 0x20}), Bytes({0x34, 0x50})});
    four.palette = palette;
    const std::pair<const char*, BmpContent> cases[] = {
        {"565 masks", masked},
        {"24 bits", Bmp(3, 2, 24,
                        {Bytes({0, 0, 255, 0, 255, 0, 255, 0, 0}),
                         Bytes({255, 255, 255, 0, 0, 0, 128, 128, 128})})},
        {"32 bits top-down", topDown},
        {"8 bits", eight},
        {"4 bits", four},
    };
    for (const auto& [name, content] : cases) {
        SCOPED_TRACE(name);
        const HBITMAP bitmap = Load(BuildBmp(content));
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(PixelsOf(bitmap), expected);
        DeleteObject(bitmap);
    }
    BmpContent mono = Bmp(10, 1, 1, {Bytes({0b10100000, 0b01000000})});
    mono.palette = {0x000000, 0xFFFFFF};
    const HBITMAP bitmap = Load(BuildBmp(mono));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(PixelsOf(bitmap), (std::vector<Pixel>{0xFFFF, 0, 0xFFFF, 0, 0, 0, 0, 0, 0, 0xFFFF}));
    DeleteObject(bitmap);
}

TEST(LoadBitmap, MalformedFilesAreRefused) {
    BmpContent content = Bmp(2, 2, 8, {Bytes({0, 1}), Bytes({1, 0})});
    content.palette = {0, 0xFFFFFF};
    const auto good = BuildBmp(content);
    const HBITMAP loaded = Load(good);
    ASSERT_NE(loaded, nullptr);
    DeleteObject(loaded);
    // Offsets: 10 bits, 14 header size, 18 width, 22 height, 26 planes, 28 bits per pixel,
    // 30 compression, 46 colours used.
    const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
        {"empty", {}},
        {"not BM", Patched(good, 0, 0x4142, 2)},
        {"cut short", std::vector<std::uint8_t>(good.begin(), good.end() - 1)},
        {"header only", std::vector<std::uint8_t>(good.begin(), good.begin() + 30)},
        {"bits past the end", Patched(good, 10, 0xFFFFFFF0u)},
        {"bits inside the header", Patched(good, 10, 20)},
        {"header size too large", Patched(good, 14, 0x7FFFFFFF)},
        {"core header", Patched(good, 14, 12)},
        {"zero width", Patched(good, 18, 0)},
        {"huge width", Patched(good, 18, 0x7FFFFFFF)},
        {"height of INT_MIN", Patched(good, 22, 0x80000000u)},
        {"two planes", Patched(good, 26, 2, 2)},
        {"7 bits", Patched(good, 28, 7, 2)},
        {"run-length compressed", Patched(good, 30, 1)},
        {"more colours than 8 bits hold", Patched(good, 46, 300)},
        {"palette past the end", Patched(good, 46, 256)},
    };
    for (const auto& [name, file] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Load(file), nullptr);
    }
}

TEST(LoadBitmap, UnknownNamesAndTheNullInstanceLoadNothing) {
    const auto file = BuildBmp(Bmp(1, 1, 24, {Bytes({0, 0, 0})}));
    const std::array<BinaryResource, 1> bitmaps{BinaryResource{kBitmapId, file}};
    const ResourceTable table{{}, bitmaps, {}, {}};
    const ResourceRegistration registration(table);
    EXPECT_EQ(LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kBitmapId + 1)), nullptr);
    EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(kBitmapId)), nullptr);
    EXPECT_EQ(LoadBitmapW(GetModuleHandleW(nullptr), u"name"), nullptr);
}

}  // namespace
}  // namespace ce::gdi::test

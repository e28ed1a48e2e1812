// Helpers of the GDI tests: a memory context on a bitmap of its own (no window system needed) and
// .bmp and .ico files built in memory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "windows.h"

#include "gdi/surface.h"

namespace ce::gdi::test {

// A memory context with a width x height bitmap selected, cleared to white.
class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return m_dc; }
    HBITMAP Bitmap() const { return m_bitmap; }
    Surface& Pixels() const { return *m_surface; }
    Pixel At(int x, int y) const { return m_surface->At(x, y); }
    void Clear(COLORREF colour);
    // The smallest rectangle holding every pixel that is not `background`; empty when none.
    RECT BoundsOfNot(Pixel background) const;
    int Count(const std::function<bool(Pixel)>& predicate) const;

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    std::shared_ptr<Surface> m_surface;
};

constexpr Pixel kWhite = 0xFFFF;
constexpr Pixel kBlack = 0x0000;

// Fills a w x h pattern where every pixel differs: pixel (x, y) = Tag(x, y).
inline Pixel Tag(int x, int y) {
    return static_cast<Pixel>(1 + x + y * 64);
}
void FillTagged(Canvas& canvas);

struct BmpContent {
    int width = 0;
    int height = 0;
    int bitCount = 16;
    std::uint32_t compression = 0;
    std::vector<std::uint32_t> masks;    // BI_BITFIELDS
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB
    bool topDown = false;
    std::vector<std::vector<std::uint8_t>> rows;  // top row first, without padding
};
using Row = std::vector<std::uint8_t>;
// A width x height image with palette or masks left empty.
BmpContent Bmp(int width, int height, int bitCount, std::vector<Row> rows);
std::vector<std::uint8_t> BuildBmp(const BmpContent& content);

// One image of an .ico file in one colour. 24-bit images are transparent through their AND mask,
// 32-bit ones through their alpha channel (their mask stays clear).
struct IcoImage {
    int size = 32;
    COLORREF colour = 0;
    std::function<bool(int x, int y)> transparent = nullptr;
    int bitCount = 24;
};
std::vector<std::uint8_t> BuildIco(const std::vector<IcoImage>& images);

}  // namespace ce::gdi::test

// RECT comparisons for EXPECT_EQ, found by argument lookup in RECT's own namespace.
bool operator==(const RECT& a, const RECT& b);
void PrintTo(const RECT& rect, std::ostream* out);

// Fills, clipping and block transfers, pixel by pixel.
#include <gtest/gtest.h>

#include "gdi/bitmap_surface.h"
#include "gdi/surface_dc.h"
#include "gdi_test_support.h"

namespace ce::gdi::test {
namespace {

TEST(Fill, FillRectStopsAtTheSurfaceEdges) {
    Canvas canvas(6, 4);
    const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    const RECT beyond{-3, 2, 9, 9};
    EXPECT_EQ(FillRect(canvas.Dc(), &beyond, red), 1);
    EXPECT_EQ(canvas.BoundsOfNot(kWhite), (RECT{0, 2, 6, 4}));
    EXPECT_EQ(canvas.At(0, 3), 0xF800);
    EXPECT_EQ(canvas.Count([](Pixel p) { return p == 0xF800; }), 12);
    DeleteObject(red);
}

TEST(Fill, RectangleAndFrameFollowTheDeviceEdges) {
    struct Case {
        const char* name;
        int pen;
        int brush;
        RECT outlined;  // pixels of the pen colour (black) ... or empty
        RECT filled;    // pixels of the brush colour (grey)
    };
    const Case cases[] = {
        {"pen and brush", BLACK_PEN, GRAY_BRUSH, {1, 1, 6, 5}, {2, 2, 5, 4}},
        // Without an outline the device fills one pixel less to the right and bottom.
        {"null pen", NULL_PEN, GRAY_BRUSH, {}, {1, 1, 5, 4}},
        {"null brush", BLACK_PEN, NULL_BRUSH, {1, 1, 6, 5}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(8, 6);
        SelectObject(canvas.Dc(), GetStockObject(c.pen));
        SelectObject(canvas.Dc(), GetStockObject(c.brush));
        EXPECT_TRUE(Rectangle(canvas.Dc(), 1, 1, 6, 5));
        const Pixel grey = ToPixel(RGB(128, 128, 128));
        EXPECT_EQ(canvas.BoundsOfNot(kWhite), c.outlined.right != 0 ? c.outlined : c.filled);
        int greys = canvas.Count([&](Pixel p) { return p == grey; });
        EXPECT_EQ(greys, (c.filled.right - c.filled.left) * (c.filled.bottom - c.filled.top));
        if (c.outlined.right != 0) {
            EXPECT_EQ(canvas.At(1, 1), kBlack);
            EXPECT_EQ(canvas.At(5, 4), kBlack);
        }
    }
}

TEST(Fill, SurfaceContextShiftsClipsAndReportsWhatItDrew) {
    auto surface = std::make_shared<Surface>(10, 8);
    const HDC dc = CreateSurfaceDC(surface, POINT{2, 1}, RECT{3, 2, 7, 6});
    EXPECT_EQ(DrawnBounds(dc), RECT{});
    const RECT all{-100, -100, 100, 100};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(DrawnBounds(dc), (RECT{3, 2, 7, 6}));
    int white = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 10; ++x) {
            white += surface->At(x, y) == kWhite ? 1 : 0;
        }
    }
    EXPECT_EQ(white, 16);
    // Client (0,0) is surface (2,1): outside the clip, so nothing is drawn.
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(255, 0, 0)), 0xFFFFFFFFu);
    EXPECT_EQ(SetPixel(dc, 1, 1, RGB(255, 0, 0)), RGB(255, 0, 0));
    EXPECT_EQ(surface->At(3, 2), 0xF800);
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 0, 0));
    // A window context takes no bitmap.
    EXPECT_EQ(SelectObject(dc, GetCurrentObject(dc, OBJ_BITMAP)), nullptr);
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(Fill, PatBltRasterOperations) {
    Canvas canvas(4, 4);
    SelectObject(canvas.Dc(), GetStockObject(GRAY_BRUSH));
    EXPECT_TRUE(PatBlt(canvas.Dc(), 0, 0, 2, 4, BLACKNESS));
    EXPECT_TRUE(PatBlt(canvas.Dc(), 4, 0, -2, 2, PATCOPY));  // negative extents are swapped
    EXPECT_EQ(canvas.At(1, 3), kBlack);
    EXPECT_EQ(canvas.At(2, 0), ToPixel(RGB(128, 128, 128)));
    EXPECT_EQ(canvas.At(3, 3), kWhite);
    EXPECT_FALSE(PatBlt(canvas.Dc(), 0, 0, 1, 1, SRCCOPY));
}

// Expected source pixel of destination pixel (x, y), or none when it keeps its old colour.
using Mapping = std::function<std::optional<POINT>(int x, int y)>;

void ExpectMapped(const Canvas& destination, const Mapping& mapping) {
    for (int y = 0; y < destination.Pixels().Height(); ++y) {
        for (int x = 0; x < destination.Pixels().Width(); ++x) {
            const auto from = mapping(x, y);
            const Pixel expected = from ? Tag(from->x, from->y) : kWhite;
            ASSERT_EQ(destination.At(x, y), expected) << "at " << x << "," << y;
        }
    }
}

TEST(Blit, BitBltClipsToBothSurfaces) {
    Canvas source(4, 4);
    FillTagged(source);
    struct Case {
        int x, y, sourceX, sourceY;
    };
    // Inside; hanging off the destination's top left; reading past the source's right edge.
    for (const Case c : {Case{2, 1, 0, 0}, Case{-2, -1, 0, 0}, Case{0, 0, 2, 1}}) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " from " << c.sourceX);
        Canvas destination(6, 5);
        EXPECT_TRUE(
            BitBlt(destination.Dc(), c.x, c.y, 4, 4, source.Dc(), c.sourceX, c.sourceY, SRCCOPY));
        ExpectMapped(destination, [&](int x, int y) -> std::optional<POINT> {
            const int sx = x - c.x + c.sourceX;
            const int sy = y - c.y + c.sourceY;
            const bool inBlock = x >= c.x && x < c.x + 4 && y >= c.y && y < c.y + 4;
            if (!inBlock || sx >= 4 || sy >= 4) {
                return std::nullopt;
            }
            return POINT{sx, sy};
        });
    }
}

TEST(Blit, BitBltWithinOneBitmapOverlapping) {
    Canvas canvas(5, 5);
    FillTagged(canvas);
    EXPECT_TRUE(BitBlt(canvas.Dc(), 1, 1, 4, 4, canvas.Dc(), 0, 0, SRCCOPY));
    for (int y = 1; y < 5; ++y) {
        for (int x = 1; x < 5; ++x) {
            ASSERT_EQ(canvas.At(x, y), Tag(x - 1, y - 1));
        }
    }
}

TEST(Blit, StretchBltTakesThePixelUnderEachCentre) {
    Canvas source(4, 4);
    FillTagged(source);
    struct Case {
        const char* name;
        int width, height;  // destination, stretched from the whole 4x4 source
    };
    for (const Case c : {Case{"up", 8, 8}, Case{"down", 2, 2}, Case{"mixed", 6, 3}}) {
        SCOPED_TRACE(c.name);
        Canvas destination(c.width, c.height);
        EXPECT_TRUE(StretchBlt(destination.Dc(), 0, 0, c.width, c.height, source.Dc(), 0, 0, 4, 4,
                               SRCCOPY));
        ExpectMapped(destination, [&](int x, int y) {
            return std::optional(
                POINT{(2 * x + 1) * 4 / (2 * c.width), (2 * y + 1) * 4 / (2 * c.height)});
        });
    }
}

TEST(Blit, StretchBltOfTheScreenBackgroundOntoALandscapeScreen) {
    Canvas source(272, 480);
    FillTagged(source);
    Canvas destination(480, 272);
    EXPECT_TRUE(StretchBlt(destination.Dc(), 0, 0, 480, 272, source.Dc(), 0, 0, 272, 480, SRCCOPY));
    ExpectMapped(destination, [](int x, int y) {
        return std::optional(POINT{(2 * x + 1) * 272 / 960, (2 * y + 1) * 480 / 544});
    });
}

TEST(Blit, StretchBltPartlyOffBothSurfaces) {
    Canvas source(4, 4);
    FillTagged(source);
    Canvas destination(6, 6);
    // Twice as large, starting left of and above the destination, reading from (-2,-2) so that
    // two source columns and rows lie outside the source bitmap and stay unpainted.
    EXPECT_TRUE(StretchBlt(destination.Dc(), -1, -1, 12, 12, source.Dc(), -2, -2, 6, 6, SRCCOPY));
    ExpectMapped(destination, [](int x, int y) -> std::optional<POINT> {
        const int sx = -2 + (2 * (x + 1) + 1) * 6 / 24;
        const int sy = -2 + (2 * (y + 1) + 1) * 6 / 24;
        if (sx < 0 || sy < 0) {
            return std::nullopt;
        }
        return POINT{sx, sy};
    });
}

TEST(Blit, WholeFillRasterOperationsNeedNoSource) {
    Canvas canvas(3, 1);
    EXPECT_TRUE(BitBlt(canvas.Dc(), 0, 0, 1, 1, nullptr, 0, 0, BLACKNESS));
    SelectObject(canvas.Dc(), GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(StretchBlt(canvas.Dc(), 1, 0, 1, 1, nullptr, 0, 0, 5, 5, PATCOPY));
    EXPECT_EQ(canvas.BoundsOfNot(kWhite), (RECT{0, 0, 2, 1}));
    EXPECT_FALSE(BitBlt(canvas.Dc(), 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
}

}  // namespace
}  // namespace ce::gdi::test

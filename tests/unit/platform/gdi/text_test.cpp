// Fonts, text metrics and DrawTextW's placement rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "gdi/font_match.h"
#include "gdi/realized_font.h"
#include "gdi_test_support.h"

namespace ce::gdi::test {
namespace {

constexpr const char* kWineTahoma = "/usr/share/wine/fonts/tahoma.ttf";

LOGFONTW Tahoma(LONG height, LONG weight = FW_NORMAL) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    std::u16string_view(u"Tahoma").copy(font.lfFaceName, 6);
    return font;
}

// A canvas with a 13-pixel Tahoma selected: black text, blue background.
class TextCanvas : public Canvas {
public:
    TextCanvas(int width, int height) : Canvas(width, height) {
        const LOGFONTW logFont = Tahoma(-13);
        m_font = CreateFontIndirectW(&logFont);
        m_previous = SelectObject(Dc(), m_font);
        SetTextColor(Dc(), RGB(0, 0, 0));
        SetBkColor(Dc(), RGB(0, 0, 255));
        GetTextMetricsW(Dc(), &m_metrics);
    }
    ~TextCanvas() {
        SelectObject(Dc(), m_previous);
        DeleteObject(m_font);
    }
    TextCanvas(const TextCanvas&) = delete;
    TextCanvas& operator=(const TextCanvas&) = delete;

    const TEXTMETRICW& Metrics() const { return m_metrics; }
    SIZE Extent(std::u16string_view text) const {
        SIZE size{};
        GetTextExtentPoint32W(Dc(), text.data(), static_cast<int>(text.size()), &size);
        return size;
    }

private:
    HFONT m_font = nullptr;
    HGDIOBJ m_previous = nullptr;
    TEXTMETRICW m_metrics{};
};

TEST(Fonts, TahomaIsTheWineFaceAndUnknownFacesFallBack) {
    if (!std::filesystem::exists(kWineTahoma)) {
        GTEST_SKIP() << "fonts-wine is not installed";
    }
    EXPECT_EQ(MatchFontFile(u"Tahoma", false, false)->path, kWineTahoma);
    EXPECT_EQ(MatchFontFile(u"tahoma", true, false)->path, "/usr/share/wine/fonts/tahomabd.ttf");
    EXPECT_EQ(MatchFontFile(u"No Such Face", false, false)->family, "DejaVu Sans");
    LOGFONTW unknown = Tahoma(-13);
    std::u16string_view(u"No Such").copy(unknown.lfFaceName, 7);
    EXPECT_NE(RealizedFont::For(unknown)->File().find("DejaVuSans"), std::string::npos);
}

TEST(Fonts, HeightsFollowTheDeviceRules) {
    // Negative: character height; positive: cell height; zero: 12-pixel characters.
    for (const LONG height : {-13, 16, 0}) {
        SCOPED_TRACE(height);
        const auto font = RealizedFont::For(Tahoma(height));
        ASSERT_NE(font, nullptr);
        const FontMetrics& metrics = font->Metrics();
        if (height < 0) {
            EXPECT_EQ(metrics.emHeight, -height);
        } else if (height > 0) {
            EXPECT_LE(std::abs(metrics.Height() - height), 1);
        } else {
            EXPECT_EQ(metrics.emHeight, 12);
        }
        EXPECT_GE(metrics.Height(), metrics.emHeight);
    }
    TextCanvas canvas(4, 4);
    const TEXTMETRICW& metrics = canvas.Metrics();
    EXPECT_EQ(metrics.tmHeight, metrics.tmAscent + metrics.tmDescent);
    EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, 13);
    EXPECT_GT(metrics.tmAveCharWidth, 3);
}

TEST(Fonts, BoldDrawsHeavierStrokes) {
    // The Wine Tahoma Bold file has the regular outlines (its bold design is in embedded
    // bitmaps), so bold must come from emboldening there.
    const auto ink = [](LONG weight) {
        const Glyph& glyph = RealizedFont::For(Tahoma(-20, weight))->GlyphOf(U'l');
        int total = 0;
        for (const auto value : glyph.coverage) {
            total += value;
        }
        return total;
    };
    EXPECT_GT(ink(FW_BOLD), ink(FW_NORMAL) * 5 / 4);
}

TEST(Fonts, ExtentsCountEveryUnitAndSurrogatePairsAsOne) {
    TextCanvas canvas(4, 4);
    const std::u16string text = u"Ab\U0001F600c";  // A, b, a pair, c
    int fit = -1;
    int extents[5] = {};
    SIZE size{};
    EXPECT_TRUE(GetTextExtentExPointW(canvas.Dc(), text.data(), 5, canvas.Extent(u"Ab").cx, &fit,
                                      extents, &size));
    EXPECT_EQ(fit, 2);
    EXPECT_EQ(extents[0], canvas.Extent(u"A").cx);
    EXPECT_EQ(extents[1], canvas.Extent(u"Ab").cx);
    EXPECT_EQ(extents[2], extents[3]);
    EXPECT_EQ(extents[4], size.cx);
    EXPECT_EQ(size.cy, canvas.Metrics().tmHeight);
}

TEST(Text, RendersWithGreyLevels) {
    TextCanvas canvas(80, 20);
    SetBkMode(canvas.Dc(), TRANSPARENT);
    EXPECT_TRUE(ExtTextOutW(canvas.Dc(), 2, 2, 0, nullptr, u"Sync now", 8, nullptr));
    const int black = canvas.Count([](Pixel p) { return p == kBlack; });
    const int grey = canvas.Count([](Pixel p) { return p != kBlack && p != kWhite; });
    EXPECT_GT(black, 0);
    EXPECT_GT(grey, 10) << "anti-aliased outlines leave intermediate levels";
}

TEST(Text, ThreadsDrawWithOneFontAtOnce) {
    const LOGFONTW logFont = Tahoma(-17);
    const HFONT font = CreateFontIndirectW(&logFont);
    std::vector<std::vector<Pixel>> pictures(2);
    std::vector<std::thread> threads;
    for (auto& picture : pictures) {
        threads.emplace_back([&font, &picture] {
            Canvas canvas(200, 24);
            const HGDIOBJ previous = SelectObject(canvas.Dc(), font);
            RECT rect{0, 0, 200, 24};
            DrawTextW(canvas.Dc(), u"The quick brown fox 0123456789", -1, &rect, DT_SINGLELINE);
            SelectObject(canvas.Dc(), previous);
            for (int x = 0; x < 200; ++x) {
                picture.push_back(canvas.At(x, 12));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(pictures[0], pictures[1]);
    EXPECT_TRUE(DeleteObject(font));
}

TEST(DrawText, RightAlignedAndCentredOnASingleLine) {
    TextCanvas canvas(120, 40);
    RECT rect{10, 5, 110, 35};
    const std::u16string text = u"12:30";
    const int lineHeight = canvas.Metrics().tmHeight;
    const int width = canvas.Extent(text).cx;
    const int top = 5 + (30 - lineHeight) / 2;
    EXPECT_EQ(
        DrawTextW(canvas.Dc(), text.c_str(), -1, &rect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE),
        top + lineHeight - 5);
    // The opaque background fills exactly the line's cell.
    EXPECT_EQ(canvas.BoundsOfNot(kWhite), (RECT{110 - width, top, 110, top + lineHeight}));
}

TEST(DrawText, VerticalCentringNeedsSingleLine) {
    TextCanvas canvas(120, 40);
    RECT rect{10, 5, 110, 35};
    const int lineHeight = canvas.Metrics().tmHeight;
    // Format 6: right-aligned, and DT_VCENTER has no effect.
    EXPECT_EQ(DrawTextW(canvas.Dc(), u"1.2 MB", -1, &rect, DT_RIGHT | DT_VCENTER), lineHeight);
    EXPECT_EQ(canvas.BoundsOfNot(kWhite),
              (RECT{110 - canvas.Extent(u"1.2 MB").cx, 5, 110, 5 + lineHeight}));
}

TEST(DrawText, ClipsToTheRectangleUnlessNoClip) {
    TextCanvas canvas(60, 20);
    RECT rect{0, 0, 10, 5};
    DrawTextW(canvas.Dc(), u"WWWW", 4, &rect, DT_LEFT);
    EXPECT_EQ(canvas.BoundsOfNot(kWhite), rect);
    canvas.Clear(RGB(255, 255, 255));
    DrawTextW(canvas.Dc(), u"WWWW", 4, &rect, DT_LEFT | DT_NOCLIP);
    EXPECT_EQ(canvas.BoundsOfNot(kWhite),
              (RECT{0, 0, canvas.Extent(u"WWWW").cx, canvas.Metrics().tmHeight}));
}

TEST(DrawText, CalcRectMeasuresWithoutDrawing) {
    TextCanvas canvas(200, 100);
    const int lineHeight = canvas.Metrics().tmHeight;
    const std::u16string words = u"alpha beta gamma";
    const int narrow = canvas.Extent(u"gamma").cx + 2;
    struct Case {
        const char* name;
        std::u16string text;
        UINT format;
        LONG width;
        int lines;
        LONG right;  // expected right edge after the call
    };
    const Case cases[] = {
        {"one line fits the text", u"alpha", DT_SINGLELINE, 150, 1,
         10 + canvas.Extent(u"alpha").cx},
        {"line breaks", u"a\r\nbb\ncc", 0, 150, 3, 160},
        {"single line ignores breaks", u"a\r\nb", DT_SINGLELINE, 150, 1,
         10 + canvas.Extent(u"a\r\nb").cx},
        {"a word per line", words, DT_WORDBREAK, narrow, 3, 10 + narrow},
        {"wide enough for all", words, DT_WORDBREAK, 150, 1, 10 + canvas.Extent(words).cx},
        {"a long word breaks between characters", u"abcdefghijklmnop", DT_WORDBREAK,
         canvas.Extent(u"abcd").cx, 4, 10 + canvas.Extent(u"abcd").cx},
        {"prefix removed", u"&Sync", DT_SINGLELINE, 150, 1, 10 + canvas.Extent(u"Sync").cx},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RECT rect{10, 20, 10 + c.width, 21};
        EXPECT_EQ(DrawTextW(canvas.Dc(), c.text.c_str(), static_cast<int>(c.text.size()), &rect,
                            c.format | DT_CALCRECT),
                  c.lines * lineHeight);
        EXPECT_EQ(rect, (RECT{10, 20, c.right, 20 + c.lines * lineHeight}));
    }
    EXPECT_EQ(canvas.BoundsOfNot(kWhite), RECT{});
}

TEST(DrawText, PrefixUnderlinesAndTransparentModeLeavesTheBackground) {
    TextCanvas canvas(60, 20);
    SetBkMode(canvas.Dc(), TRANSPARENT);
    RECT rect{0, 0, 60, 20};
    DrawTextW(canvas.Dc(), u"&&", -1, &rect, DT_SINGLELINE);
    const RECT ampersand = canvas.BoundsOfNot(kWhite);
    EXPECT_LE(ampersand.right, canvas.Extent(u"&").cx + 1);
    EXPECT_EQ(canvas.Count([](Pixel p) { return p == 0x001F; }), 0);

    canvas.Clear(RGB(255, 255, 255));
    DrawTextW(canvas.Dc(), u"&_", -1, &rect, DT_SINGLELINE);
    const RECT prefixed = canvas.BoundsOfNot(kWhite);
    canvas.Clear(RGB(255, 255, 255));
    DrawTextW(canvas.Dc(), u"_", -1, &rect, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(canvas.BoundsOfNot(kWhite), prefixed);  // "&_" is "_" underlined
    const int baseline = canvas.Metrics().tmAscent;
    canvas.Clear(RGB(255, 255, 255));
    DrawTextW(canvas.Dc(), u"&x", -1, &rect, DT_SINGLELINE);
    for (int x = 0; x < canvas.Extent(u"x").cx; ++x) {
        EXPECT_EQ(canvas.At(x, baseline + 1), kBlack) << x;
    }
}

}  // namespace
}  // namespace ce::gdi::test

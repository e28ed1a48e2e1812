#include "gdi/text_run.h"

#include "gdi/pixel_ops.h"
#include "gdi/rect_math.h"

namespace ce::gdi {

namespace {

bool IsHigh(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLow(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

char32_t CodePointAt(std::u16string_view text, std::size_t index) {
    const char16_t unit = text[index];
    if (IsHigh(unit)) {
        if (index + 1 < text.size() && IsLow(text[index + 1])) {
            return 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[index + 1] - 0xDC00);
        }
        return U'\uFFFD';
    }
    if (IsLow(unit)) {
        return index > 0 && IsHigh(text[index - 1]) ? 0 : U'\uFFFD';
    }
    return unit;
}

int TextMeasure::Advance(std::size_t index, int x) const {
    if (m_tabWidth > 0 && m_text[index] == u'\t') {
        return (x / m_tabWidth + 1) * m_tabWidth - x;
    }
    const char32_t codePoint = CodePointAt(m_text, index);
    return codePoint == 0 ? 0 : m_font.Advance(codePoint);
}

int TextMeasure::Width(std::size_t begin, std::size_t end) const {
    int x = 0;
    for (std::size_t i = begin; i < end; ++i) {
        x += Advance(i, x);
    }
    return x;
}

bool TextMeasure::HasGlyph(std::size_t index) const {
    return !(m_tabWidth > 0 && m_text[index] == u'\t') && CodePointAt(m_text, index) != 0;
}

RECT DrawGlyph(Surface& surface, const RECT& clip, const Glyph& glyph, int x, int baseline,
               Pixel colour) {
    const int left = x + glyph.left;
    const int top = baseline - glyph.top;
    BlendCoverage(surface, left, top, glyph.coverage.data(), glyph.width, glyph.height, glyph.width,
                  colour, clip);
    return Intersect(RECT{left, top, left + glyph.width, top + glyph.height}, clip);
}

}  // namespace ce::gdi

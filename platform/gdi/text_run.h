// Measuring and drawing runs of UTF-16 text with a realized font. Positions are counted per
// UTF-16 unit: the high surrogate of a pair carries the pair's advance and the low one none.
#pragma once

#include <cstddef>
#include <string_view>

#include "gdi/realized_font.h"
#include "gdi/surface.h"

namespace ce::gdi {

// The code point starting at index: a surrogate pair becomes one, a lone surrogate U+FFFD; a low
// surrogate that ends a pair gives 0.
char32_t CodePointAt(std::u16string_view text, std::size_t index);

class TextMeasure {
public:
    // tabWidth > 0 expands tabs to the next multiple of it; 0 draws them as characters.
    TextMeasure(RealizedFont& font, std::u16string_view text, int tabWidth = 0)
        : m_font(font), m_text(text), m_tabWidth(tabWidth) {}

    // The advance of the unit at index when the pen is x pixels from the start of the line.
    int Advance(std::size_t index, int x) const;
    int Width(std::size_t begin, std::size_t end) const;
    // Whether the unit at index is drawn as a glyph.
    bool HasGlyph(std::size_t index) const;

private:
    RealizedFont& m_font;
    std::u16string_view m_text;
    int m_tabWidth;
};

// Blends a glyph in colour with its pen position at x on the baseline; returns what it touched.
RECT DrawGlyph(Surface& surface, const RECT& clip, const Glyph& glyph, int x, int baseline,
               Pixel colour);

}  // namespace ce::gdi

// DrawTextW's layout: prefix characters and the breaking of text into lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "gdi/text_run.h"

namespace ce::gdi {

struct PrefixedText {
    std::u16string text;
    // Units of text drawn underlined ("&x" marks x).
    std::vector<std::size_t> underlined;
};

// "&x" becomes x underlined, "&&" a single "&"; a lone "&" at the end disappears.
PrefixedText StripPrefixes(std::u16string_view text);

struct TextLine {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Lines of text: one when singleLine, else one per CR, LF or CR LF (a break that ends the text
// opens no further line). With wordBreak a line longer than maxWidth breaks after the last space
// that fits (the spaces go), or between characters when a single word is wider.
std::vector<TextLine> BreakLines(std::u16string_view text, const TextMeasure& measure,
                                 bool singleLine, bool wordBreak, int maxWidth);

}  // namespace ce::gdi

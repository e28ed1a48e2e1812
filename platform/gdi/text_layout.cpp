#include "gdi/text_layout.h"

namespace ce::gdi {

namespace {

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void WrapParagraph(std::u16string_view text, const TextMeasure& measure, std::size_t begin,
                   std::size_t end, int maxWidth, std::vector<TextLine>& lines) {
    std::size_t lineStart = begin;
    int x = 0;
    // The last place where the line may end (before a run of spaces) and where the next begins.
    std::size_t breakEnd = 0;
    std::size_t breakNext = 0;
    bool canBreak = false;
    std::size_t i = begin;
    while (i < end) {
        if (text[i] == u' ') {
            // Spaces may hang past the edge; a line breaks after them.
            breakEnd = i;
            while (i < end && text[i] == u' ') {
                x += measure.Advance(i, x);
                ++i;
            }
            breakNext = i;
            canBreak = breakEnd > lineStart;
            continue;
        }
        std::size_t next = i + 1;
        int advance = measure.Advance(i, x);
        if (next < end && IsLowSurrogate(text[next])) {
            ++next;
        }
        if (x + advance > maxWidth && i > lineStart) {
            if (canBreak) {
                lines.push_back(TextLine{lineStart, breakEnd});
                lineStart = breakNext;
            } else {
                lines.push_back(TextLine{lineStart, i});
                lineStart = i;
            }
            canBreak = false;
            x = measure.Width(lineStart, i);
            continue;
        }
        x += advance;
        i = next;
    }
    lines.push_back(TextLine{lineStart, end});
}

}  // namespace

PrefixedText StripPrefixes(std::u16string_view text) {
    PrefixedText result;
    result.text.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            result.text.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) {
            break;
        }
        if (text[i] != u'&') {
            result.underlined.push_back(result.text.size());
        }
        result.text.push_back(text[i]);
    }
    return result;
}

std::vector<TextLine> BreakLines(std::u16string_view text, const TextMeasure& measure,
                                 bool singleLine, bool wordBreak, int maxWidth) {
    std::vector<TextLine> lines;
    if (singleLine) {
        lines.push_back(TextLine{0, text.size()});
        return lines;
    }
    std::size_t begin = 0;
    while (true) {
        std::size_t end = begin;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') {
            ++end;
        }
        if (wordBreak) {
            WrapParagraph(text, measure, begin, end, maxWidth, lines);
        } else {
            lines.push_back(TextLine{begin, end});
        }
        if (end == text.size()) {
            break;
        }
        begin = end + (text.compare(end, 2, u"\r\n") == 0 ? 2 : 1);
        if (begin == text.size()) {
            break;
        }
    }
    return lines;
}

}  // namespace ce::gdi

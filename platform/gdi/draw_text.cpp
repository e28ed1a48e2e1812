// DrawTextW with the device's rules (see winuser.h for the formats).
#include <algorithm>
#include <string_view>

#include "winuser.h"

#include "gdi/device_context.h"
#include "gdi/draw_ops.h"
#include "gdi/rect_math.h"
#include "gdi/text_layout.h"
#include "kernel/api_boundary.h"

using namespace ce::gdi;

namespace {

// Tab stops every eight average characters.
constexpr int kTabCharacters = 8;

struct Layout {
    PrefixedText prefixed;
    std::vector<TextLine> lines;
    std::vector<int> widths;
    int lineHeight = 0;
};

LONG LineLeft(UINT format, const RECT& rect, int width) {
    if ((format & DT_CENTER) != 0) {
        return rect.left + (rect.right - rect.left - width) / 2;
    }
    if ((format & DT_RIGHT) != 0) {
        return rect.right - width;
    }
    return rect.left;
}

void DrawLine(DeviceContext& context, const DrawTarget& target, const RECT& clip,
              RealizedFont& font, const TextMeasure& measure, const Layout& layout,
              const TextLine& line, POINT at, int width) {
    const DcState& state = context.State();
    const FontMetrics& metrics = font.Metrics();
    const POINT start{at.x + target.origin.x, at.y + target.origin.y};
    if (state.backgroundMode == OPAQUE) {
        const RECT cell = ce::Intersect(
            RECT{start.x, start.y, start.x + width, start.y + layout.lineHeight}, clip);
        target.surface->Fill(cell, ToPixel(state.backgroundColor));
        context.NoteDrawn(cell);
    }
    const Pixel colour = ToPixel(state.textColor);
    const std::u16string_view text = layout.prefixed.text;
    const int baseline = start.y + metrics.ascent;
    int x = 0;
    for (std::size_t i = line.begin; i < line.end; ++i) {
        const int advance = measure.Advance(i, x);
        if (measure.HasGlyph(i)) {
            const Glyph& glyph = font.GlyphOf(CodePointAt(text, i));
            context.NoteDrawn(
                DrawGlyph(*target.surface, clip, glyph, start.x + x, baseline, colour));
        }
        const auto& marks = layout.prefixed.underlined;
        if (std::find(marks.begin(), marks.end(), i) != marks.end()) {
            const RECT underline = ce::Intersect(
                RECT{start.x + x, baseline + 1, start.x + x + advance, baseline + 2}, clip);
            target.surface->Fill(underline, colour);
            context.NoteDrawn(underline);
        }
        x += advance;
    }
}

int DrawTextBody(HDC dc, LPCWSTR text, int length, LPRECT rect, UINT format) {
    const auto context = FindDc(dc);
    const auto font = context ? SelectedFont(*context) : nullptr;
    if (!font || rect == nullptr || (text == nullptr && length != 0)) {
        return 0;
    }
    const std::u16string_view source =
        length < 0 ? std::u16string_view(text) : std::u16string_view(text, length);
    const bool singleLine = (format & DT_SINGLELINE) != 0;
    Layout layout;
    layout.prefixed = (format & DT_NOPREFIX) != 0 ? PrefixedText{std::u16string(source), {}}
                                                  : StripPrefixes(source);
    const std::u16string_view shown = layout.prefixed.text;
    const int tabWidth =
        (format & DT_EXPANDTABS) != 0 ? kTabCharacters * font->Metrics().averageWidth : 0;
    const TextMeasure measure(*font, shown, tabWidth);
    layout.lines = BreakLines(shown, measure, singleLine, (format & DT_WORDBREAK) != 0,
                              rect->right - rect->left);
    layout.lineHeight = font->Metrics().Height();
    int widest = 0;
    for (const TextLine& line : layout.lines) {
        layout.widths.push_back(measure.Width(line.begin, line.end));
        widest = std::max(widest, layout.widths.back());
    }
    const int height =
        shown.empty() ? 0 : static_cast<int>(layout.lines.size()) * layout.lineHeight;

    if ((format & DT_CALCRECT) != 0) {
        // A single line fits the rectangle to the text; several keep the width they broke at.
        if (layout.lines.size() <= 1) {
            rect->right = rect->left + (shown.empty() ? 0 : widest);
        }
        rect->bottom = rect->top + height;
        return height;
    }
    if (shown.empty()) {
        return 0;
    }
    LONG top = rect->top;
    // Vertical placement belongs to single lines only.
    if (singleLine && (format & DT_VCENTER) != 0) {
        top = rect->top + (rect->bottom - rect->top - layout.lineHeight) / 2;
    } else if (singleLine && (format & DT_BOTTOM) != 0) {
        top = rect->bottom - layout.lineHeight;
    }
    const DrawTarget target = context->Target();
    const RECT clip = (format & DT_NOCLIP) != 0
                          ? target.clip
                          : ce::Intersect(target.ToSurface(*rect), target.clip);
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        const POINT at{LineLeft(format, *rect, layout.widths[i]),
                       top + static_cast<LONG>(i) * layout.lineHeight};
        DrawLine(*context, target, clip, *font, measure, layout, layout.lines[i], at,
                 layout.widths[i]);
    }
    if (singleLine && (format & (DT_VCENTER | DT_BOTTOM)) != 0) {
        return top + layout.lineHeight - rect->top;
    }
    return height;
}

}  // namespace

int DrawTextW(HDC dc, LPCWSTR text, int length, LPRECT rect, UINT format) {
    return ce::kernel::GuardedCall(0, [&] { return DrawTextBody(dc, text, length, rect, format); });
}

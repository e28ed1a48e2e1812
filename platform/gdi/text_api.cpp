// Text metrics, extents and ExtTextOutW.
#include <string_view>

#include "gdi/device_context.h"
#include "gdi/draw_ops.h"
#include "gdi/rect_math.h"
#include "gdi/text_run.h"
#include "kernel/api_boundary.h"

using namespace ce::gdi;

namespace {

// Pitch and family bits of a variable-pitch TrueType outline face of the Swiss family.
constexpr BYTE kPitchAndFamily = 0x01 | 0x02 | 0x04 | 0x20;

}  // namespace

BOOL GetTextMetricsW(HDC dc, LPTEXTMETRICW metrics) {
    return ce::kernel::GuardedCall(FALSE, [&]() -> BOOL {
        const auto context = FindDc(dc);
        const auto font = context ? SelectedFont(*context) : nullptr;
        if (!font || metrics == nullptr) {
            return FALSE;
        }
        const FontMetrics& m = font->Metrics();
        *metrics = TEXTMETRICW{};
        metrics->tmHeight = m.Height();
        metrics->tmAscent = m.ascent;
        metrics->tmDescent = m.descent;
        metrics->tmInternalLeading = m.Height() - m.emHeight;
        metrics->tmExternalLeading = m.externalLeading;
        metrics->tmAveCharWidth = m.averageWidth;
        metrics->tmMaxCharWidth = m.maxWidth;
        metrics->tmWeight = m.weight;
        metrics->tmDigitizedAspectX = 96;
        metrics->tmDigitizedAspectY = 96;
        metrics->tmFirstChar = u' ';
        metrics->tmLastChar = u'\uFFFC';
        metrics->tmDefaultChar = u'?';
        metrics->tmBreakChar = u' ';
        metrics->tmItalic = m.italic ? 1 : 0;
        metrics->tmPitchAndFamily = kPitchAndFamily;
        metrics->tmCharSet = ANSI_CHARSET;
        return TRUE;
    });
}

BOOL GetTextExtentExPointW(HDC dc, LPCWSTR text, int length, int maxExtent, LPINT fit,
                           LPINT extents, LPSIZE size) {
    return ce::kernel::GuardedCall(FALSE, [&]() -> BOOL {
        const auto context = FindDc(dc);
        const auto font = context ? SelectedFont(*context) : nullptr;
        if (!font || length < 0 || (text == nullptr && length > 0)) {
            return FALSE;
        }
        const std::u16string_view view(text, static_cast<std::size_t>(length));
        const TextMeasure measure(*font, view);
        int x = 0;
        int fitting = 0;
        for (std::size_t i = 0; i < view.size(); ++i) {
            x += measure.Advance(i, x);
            // The low half of a pair ends at the same place as the pair.
            if (extents != nullptr) {
                extents[i] = x;
            }
            if (x <= maxExtent && fitting == static_cast<int>(i)) {
                ++fitting;
            }
        }
        if (fit != nullptr) {
            *fit = fitting;
        }
        if (size != nullptr) {
            *size = SIZE{x, font->Metrics().Height()};
        }
        return TRUE;
    });
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int length, LPSIZE size) {
    if (size == nullptr) {
        return FALSE;
    }
    return GetTextExtentExPointW(dc, text, length, 0, nullptr, nullptr, size);
}

BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT length,
                 const INT* widths) {
    return ce::kernel::GuardedCall(FALSE, [&]() -> BOOL {
        const auto context = FindDc(dc);
        if (!context || (text == nullptr && length > 0)) {
            return FALSE;
        }
        const DcState& state = context->State();
        if ((options & ETO_OPAQUE) != 0 && rect != nullptr) {
            FillLogical(*context, *rect, ToPixel(state.backgroundColor));
        }
        if (length == 0) {
            return TRUE;
        }
        const auto font = SelectedFont(*context);
        if (!font) {
            return FALSE;
        }
        const std::u16string_view view(text, length);
        const TextMeasure measure(*font, view);
        const DrawTarget target = context->Target();
        const RECT clip = (options & ETO_CLIPPED) != 0 && rect != nullptr
                              ? ce::Intersect(target.ToSurface(*rect), target.clip)
                              : target.clip;
        const POINT start{x + target.origin.x, y + target.origin.y};
        const int height = font->Metrics().Height();
        if (state.backgroundMode == OPAQUE) {
            int width = 0;
            for (std::size_t i = 0; i < view.size(); ++i) {
                width += widths != nullptr ? widths[i] : measure.Advance(i, width);
            }
            const RECT cell =
                ce::Intersect(RECT{start.x, start.y, start.x + width, start.y + height}, clip);
            target.surface->Fill(cell, ToPixel(state.backgroundColor));
            context->NoteDrawn(cell);
        }
        const Pixel colour = ToPixel(state.textColor);
        const int baseline = start.y + font->Metrics().ascent;
        int pen = start.x;
        for (std::size_t i = 0; i < view.size(); ++i) {
            if (measure.HasGlyph(i)) {
                const Glyph& glyph = font->GlyphOf(CodePointAt(view, i));
                context->NoteDrawn(DrawGlyph(*target.surface, clip, glyph, pen, baseline, colour));
            }
            pen += widths != nullptr ? widths[i] : measure.Advance(i, pen - start.x);
        }
        return TRUE;
    });
}

// Rectangles and single pixels.
#include "winuser.h"

#include "gdi/device_context.h"
#include "gdi/draw_ops.h"
#include "gdi/object_table.h"
#include "gdi/rect_math.h"
#include "kernel/api_boundary.h"

using namespace ce::gdi;

namespace {

constexpr COLORREF kInvalidColor = 0xFFFFFFFFu;
// The device numbers its system colours 0 to 30.
constexpr std::uintptr_t kSystemColorCount = 31;

// FillRect and FrameRect also take a system colour index plus one in place of a brush, as class
// backgrounds are often given.
std::shared_ptr<Brush> BrushOf(HBRUSH brush) {
    const auto value = reinterpret_cast<std::uintptr_t>(brush);
    if (value != 0 && value <= kSystemColorCount) {
        brush = GetSysColorBrush(static_cast<int>(value) - 1);
    }
    auto found = Objects().FindAs<Brush>(brush);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return found;
}

template <class Draw>
int WithBrush(HDC dc, const RECT* rect, HBRUSH brush, Draw draw) {
    return ce::kernel::GuardedCall(0, [&] {
        const auto context = FindDc(dc);
        const auto found = BrushOf(brush);
        if (!context || !found || rect == nullptr) {
            return 0;
        }
        if (!found->IsNull()) {
            draw(*context, *rect, found->ToPixel());
        }
        return 1;
    });
}

}  // namespace

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    return WithBrush(dc, rect, brush, FillLogical);
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
    return WithBrush(dc, rect, brush, FrameLogical);
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    return ce::kernel::GuardedCall(FALSE, [&]() -> BOOL {
        const auto context = FindDc(dc);
        if (!context) {
            return FALSE;
        }
        const RECT rect = ce::Normalized(RECT{left, top, right, bottom});
        const auto& pen = context->State().pen;
        const auto& brush = context->State().brush;
        const bool outlined = pen && !pen->IsNull();
        // Without an outline the device fills one pixel less to the right and bottom.
        const RECT inside = outlined
                                ? RECT{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1}
                                : RECT{rect.left, rect.top, rect.right - 1, rect.bottom - 1};
        if (brush && !brush->IsNull()) {
            FillLogical(*context, inside, brush->ToPixel());
        }
        if (outlined) {
            FrameLogical(*context, rect, ToPixel(pen->Color()));
        }
        return TRUE;
    });
}

COLORREF GetPixel(HDC dc, int x, int y) {
    return ce::kernel::GuardedCall(kInvalidColor, [&] {
        const auto context = FindDc(dc);
        if (!context) {
            return kInvalidColor;
        }
        const DrawTarget target = context->Target();
        const RECT at = target.ToSurface(RECT{x, y, x + 1, y + 1});
        if (ce::IsEmpty(ce::Intersect(at, target.clip))) {
            return kInvalidColor;
        }
        return ToColor(target.surface->At(at.left, at.top));
    });
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
    return ce::kernel::GuardedCall(kInvalidColor, [&] {
        const auto context = FindDc(dc);
        if (!context) {
            return kInvalidColor;
        }
        const DrawTarget target = context->Target();
        const RECT at = target.ToSurface(RECT{x, y, x + 1, y + 1});
        if (ce::IsEmpty(ce::Intersect(at, target.clip))) {
            return kInvalidColor;
        }
        const Pixel pixel = ToPixel(color);
        target.surface->Set(at.left, at.top, pixel);
        context->NoteDrawn(at);
        // The colour actually set, which the 16-bit surface may have changed.
        return ToColor(pixel);
    });
}

// Block transfers: BitBlt, StretchBlt and PatBlt.
#include "gdi/device_context.h"
#include "gdi/display_read.h"
#include "gdi/draw_ops.h"
#include "gdi/pixel_ops.h"
#include "gdi/rect_math.h"
#include "kernel/api_boundary.h"

using namespace ce::gdi;

namespace {

// The raster operations that need no source, as a fill; false for any other.
bool FillOf(const DeviceContext& context, DWORD rop, bool& draws, Pixel& pixel) {
    draws = true;
    switch (rop) {
        case BLACKNESS:
            pixel = 0x0000;
            return true;
        case WHITENESS:
            pixel = 0xFFFF;
            return true;
        case PATCOPY: {
            const auto& brush = context.State().brush;
            draws = brush && !brush->IsNull();
            pixel = draws ? brush->ToPixel() : Pixel{0};
            return true;
        }
        default:
            return false;
    }
}

// From the screen: straight into the destination when the sizes agree (the capture path, read
// row by row from the driver), else through a copy of the screen part that is then stretched.
bool TransferFromDisplay(const DrawTarget& to, const RECT& surfaceRect, const RECT& sourceRect) {
    const bool sameSize =
        surfaceRect.right - surfaceRect.left == sourceRect.right - sourceRect.left &&
        surfaceRect.bottom - surfaceRect.top == sourceRect.bottom - sourceRect.top;
    if (sameSize) {
        const RECT visible = ce::Intersect(surfaceRect, to.clip);
        if (ce::IsEmpty(visible)) {
            return true;
        }
        const RECT part = ce::Offset(visible, sourceRect.left - surfaceRect.left,
                                     sourceRect.top - surfaceRect.top);
        return ReadDisplay(part, *to.surface, POINT{visible.left, visible.top});
    }
    Surface copy(sourceRect.right - sourceRect.left, sourceRect.bottom - sourceRect.top);
    if (!ReadDisplay(sourceRect, copy, POINT{})) {
        return false;
    }
    StretchCopy(*to.surface, surfaceRect, to.clip, copy, copy.Bounds(), copy.Bounds());
    return true;
}

BOOL Transfer(HDC destination, const RECT& destinationRect, HDC source, const RECT& sourceRect,
              DWORD rop) {
    const auto context = FindDc(destination);
    if (!context) {
        return FALSE;
    }
    bool draws = false;
    Pixel pixel = 0;
    if (FillOf(*context, rop, draws, pixel)) {
        if (draws) {
            FillLogical(*context, ce::Normalized(destinationRect), pixel);
        }
        return TRUE;
    }
    if (rop != SRCCOPY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto sourceContext = FindDc(source);
    if (!sourceContext) {
        return FALSE;
    }
    if (ce::IsEmpty(destinationRect) || ce::IsEmpty(sourceRect)) {
        return TRUE;
    }
    const DrawTarget to = context->Target();
    const RECT surfaceRect = to.ToSurface(destinationRect);
    if (sourceContext->IsDisplay()) {
        if (!TransferFromDisplay(to, surfaceRect, sourceRect)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        context->NoteDrawn(ce::Intersect(surfaceRect, to.clip));
        return TRUE;
    }
    const DrawTarget from = sourceContext->Target();
    StretchCopy(*to.surface, surfaceRect, to.clip, *from.surface, from.ToSurface(sourceRect),
                from.clip);
    context->NoteDrawn(ce::Intersect(surfaceRect, to.clip));
    return TRUE;
}

RECT At(int x, int y, int width, int height) {
    return RECT{x, y, x + width, y + height};
}

}  // namespace

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rop) {
    return ce::kernel::GuardedCall(FALSE, [&] {
        return Transfer(destination, At(x, y, width, height), source,
                        At(sourceX, sourceY, width, height), rop);
    });
}

BOOL StretchBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                int sourceY, int sourceWidth, int sourceHeight, DWORD rop) {
    return ce::kernel::GuardedCall(FALSE, [&] {
        return Transfer(destination, At(x, y, width, height), source,
                        At(sourceX, sourceY, sourceWidth, sourceHeight), rop);
    });
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
    return ce::kernel::GuardedCall(FALSE, [&]() -> BOOL {
        const auto context = FindDc(dc);
        bool draws = false;
        Pixel pixel = 0;
        if (!context || !FillOf(*context, rop, draws, pixel)) {
            return FALSE;
        }
        if (draws) {
            FillLogical(*context, ce::Normalized(At(x, y, width, height)), pixel);
        }
        return TRUE;
    });
}

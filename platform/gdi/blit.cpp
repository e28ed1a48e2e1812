// Block transfers: BitBlt, StretchBlt and PatBlt.
#include "gdi/device_context.h"
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
    const DrawTarget from = sourceContext->Target();
    const RECT surfaceRect = to.ToSurface(destinationRect);
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

#include "gdi/draw_ops.h"

#include "gdi/font.h"
#include "gdi/rect_math.h"

namespace ce::gdi {

void FillLogical(DeviceContext& context, const RECT& rect, Pixel pixel) {
    const DrawTarget target = context.Target();
    const RECT area = Intersect(target.ToSurface(rect), target.clip);
    if (IsEmpty(area)) {
        return;
    }
    target.surface->Fill(area, pixel);
    context.NoteDrawn(area);
}

void FrameLogical(DeviceContext& context, const RECT& rect, Pixel pixel) {
    if (IsEmpty(rect)) {
        return;
    }
    FillLogical(context, RECT{rect.left, rect.top, rect.right, rect.top + 1}, pixel);
    FillLogical(context, RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom}, pixel);
    FillLogical(context, RECT{rect.left, rect.top + 1, rect.left + 1, rect.bottom - 1}, pixel);
    FillLogical(context, RECT{rect.right - 1, rect.top + 1, rect.right, rect.bottom - 1}, pixel);
}

std::shared_ptr<RealizedFont> SelectedFont(DeviceContext& context) {
    const auto& font = context.State().font;
    return font ? font->Realized() : nullptr;
}

}  // namespace ce::gdi

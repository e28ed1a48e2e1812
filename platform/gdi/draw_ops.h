// Drawing steps shared by the API calls: each works in the context's coordinates, stays inside
// its clip and records what it touched.
#pragma once

#include <memory>

#include "gdi/device_context.h"
#include "gdi/realized_font.h"

namespace ce::gdi {

void FillLogical(DeviceContext& context, const RECT& rect, Pixel pixel);

// The four one-pixel edges of a rectangle.
void FrameLogical(DeviceContext& context, const RECT& rect, Pixel pixel);

// The realized font selected into the context; null when no face can be loaded.
std::shared_ptr<RealizedFont> SelectedFont(DeviceContext& context);

}  // namespace ce::gdi

// Bitmaps: an RGB565 surface behind an HBITMAP.
#pragma once

#include <memory>

#include "gdi/gdi_object.h"
#include "gdi/surface.h"

namespace ce::gdi {

class Bitmap final : public GdiObject {
public:
    explicit Bitmap(std::shared_ptr<Surface> surface)
        : GdiObject(ObjectKind::kBitmap), m_surface(std::move(surface)) {}

    const std::shared_ptr<Surface>& GetSurface() const { return m_surface; }

private:
    std::shared_ptr<Surface> m_surface;
};

// A new bitmap handle over the surface.
HBITMAP AddBitmap(std::shared_ptr<Surface> surface);

// The 1x1 bitmap every memory device context starts with.
HBITMAP DefaultBitmap();

}  // namespace ce::gdi

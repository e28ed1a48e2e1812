// Bitmaps: an RGB565 surface behind an HBITMAP.
#pragma once

#include <memory>

#include "gdi/gdi_object.h"
#include "gdi/surface.h"

namespace ce::gdi {

// Where a DIB section's pixel memory lies, as GetObject describes it.
struct DibMemory {
    void* bits = nullptr;
    LONG widthBytes = 0;
};

class Bitmap final : public GdiObject {
public:
    explicit Bitmap(std::shared_ptr<Surface> surface, DibMemory dib = {})
        : GdiObject(ObjectKind::kBitmap), m_surface(std::move(surface)), m_dib(dib) {}

    const std::shared_ptr<Surface>& GetSurface() const { return m_surface; }
    // Null bits for a device-dependent bitmap.
    const DibMemory& Dib() const { return m_dib; }

private:
    std::shared_ptr<Surface> m_surface;
    DibMemory m_dib;
};

// A new bitmap handle over the surface.
HBITMAP AddBitmap(std::shared_ptr<Surface> surface);

// The 1x1 bitmap every memory device context starts with.
HBITMAP DefaultBitmap();

}  // namespace ce::gdi

#include "gdi/bitmap.h"

#include "wingdi.h"

#include "gdi/bitmap_surface.h"
#include "gdi/device_context.h"
#include "gdi/object_table.h"
#include "kernel/api_boundary.h"

namespace ce::gdi {

namespace {

// Larger requests are refused rather than attempted: no screen of this platform comes near.
constexpr int kMaxBitmapSide = 16384;

}  // namespace

HBITMAP AddBitmap(std::shared_ptr<Surface> surface) {
    return static_cast<HBITMAP>(Objects().Add(std::make_shared<Bitmap>(std::move(surface))));
}

HBITMAP DefaultBitmap() {
    static const HBITMAP bitmap = static_cast<HBITMAP>(
        Objects().Add(std::make_shared<Bitmap>(std::make_shared<Surface>(1, 1)), true));
    return bitmap;
}

std::shared_ptr<Surface> BitmapSurface(HBITMAP bitmap) {
    const auto object = Objects().FindAs<Bitmap>(bitmap);
    return object ? object->GetSurface() : nullptr;
}

}  // namespace ce::gdi

using namespace ce::gdi;

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    return ce::kernel::GuardedCall(static_cast<HBITMAP>(nullptr), [&]() -> HBITMAP {
        if (!Objects().FindAs<DeviceContext>(dc) || width < 0 || height < 0 ||
            width > kMaxBitmapSide || height > kMaxBitmapSide) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        // An empty request gets the 1x1 stock bitmap, as on the device.
        if (width == 0 || height == 0) {
            return DefaultBitmap();
        }
        return AddBitmap(std::make_shared<Surface>(width, height));
    });
}

// Deleting and describing GDI objects.
#include <algorithm>
#include <cstring>

#include "gdi/bitmap.h"
#include "gdi/brush.h"
#include "gdi/device_context.h"
#include "gdi/font.h"
#include "gdi/object_table.h"
#include "kernel/api_boundary.h"

using namespace ce::gdi;

namespace {

template <class Description>
int CopyOut(const Description& description, int size, LPVOID buffer) {
    if (buffer == nullptr) {
        return static_cast<int>(sizeof description);
    }
    const int copied = std::min(size, static_cast<int>(sizeof description));
    if (copied <= 0) {
        return 0;
    }
    std::memcpy(buffer, &description, static_cast<std::size_t>(copied));
    return copied;
}

}  // namespace

BOOL DeleteObject(HGDIOBJ object) {
    return ce::kernel::GuardedCall(FALSE, [&]() -> BOOL {
        const auto found = Objects().Find(object);
        // Contexts end with DeleteDC and icons with DestroyIcon.
        if (!found || found->Kind() == ObjectKind::kDeviceContext ||
            found->Kind() == ObjectKind::kIcon) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        std::shared_ptr<GdiObject> removed;
        const auto lock = Objects().Acquire();
        switch (Objects().Remove(lock, object, found->Kind(), &removed)) {
            case ObjectTable::DeleteResult::kDeleted:
            case ObjectTable::DeleteResult::kKept:
                return TRUE;
            case ObjectTable::DeleteResult::kSelected:
            case ObjectTable::DeleteResult::kUnknown:
                break;
        }
        return FALSE;
    });
}

int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) {
    return ce::kernel::GuardedCall(0, [&]() -> int {
        const auto found = Objects().Find(object);
        if (!found) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        switch (found->Kind()) {
            case ObjectKind::kBitmap: {
                const auto& bitmap = static_cast<const Bitmap&>(*found);
                const auto& surface = *bitmap.GetSurface();
                BITMAP description{};
                description.bmWidth = surface.Width();
                description.bmHeight = surface.Height();
                // Device-dependent bitmaps have rows padded to whole 16-bit words, DIB sections
                // to 32-bit words.
                description.bmWidthBytes =
                    bitmap.Dib().bits != nullptr ? bitmap.Dib().widthBytes : surface.Width() * 2;
                description.bmPlanes = 1;
                description.bmBitsPixel = 16;
                description.bmBits = bitmap.Dib().bits;
                return CopyOut(description, size, buffer);
            }
            case ObjectKind::kBrush: {
                const auto& brush = static_cast<const Brush&>(*found);
                const LOGBRUSH description{brush.IsNull() ? UINT{BS_NULL} : UINT{BS_SOLID},
                                           brush.Color(), 0};
                return CopyOut(description, size, buffer);
            }
            case ObjectKind::kFont:
                return CopyOut(static_cast<const Font&>(*found).LogFont(), size, buffer);
            case ObjectKind::kPen:
            case ObjectKind::kDeviceContext:
            case ObjectKind::kIcon:
                break;
        }
        return 0;
    });
}

DWORD GetObjectType(HGDIOBJ object) {
    return ce::kernel::GuardedCall(DWORD{0}, [&]() -> DWORD {
        const auto found = Objects().Find(object);
        if (!found) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        switch (found->Kind()) {
            case ObjectKind::kBitmap:
                return OBJ_BITMAP;
            case ObjectKind::kBrush:
                return OBJ_BRUSH;
            case ObjectKind::kPen:
                return OBJ_PEN;
            case ObjectKind::kFont:
                return OBJ_FONT;
            case ObjectKind::kDeviceContext:
                return static_cast<const DeviceContext&>(*found).IsMemory() ? OBJ_MEMDC : OBJ_DC;
            case ObjectKind::kIcon:
                break;
        }
        return 0;
    });
}

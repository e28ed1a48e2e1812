#include "winuser.h"

#include "ce/resources.h"
#include "gdi/bitmap.h"
#include "gdi/dib_decoder.h"
#include "kernel/api_boundary.h"

HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name) {
    return ce::kernel::GuardedCall(static_cast<HBITMAP>(nullptr), [&]() -> HBITMAP {
        // A null instance asks for the system's own bitmaps, of which this platform has none.
        if (instance == nullptr || !IS_INTRESOURCE(name)) {
            return nullptr;
        }
        const WORD id = LOWORD(reinterpret_cast<ULONG_PTR>(name));
        for (const auto& resource : ce::ProgramResources().bitmaps) {
            if (resource.id == id) {
                auto image = ce::gdi::DecodeBmp(resource.bytes);
                return image ? ce::gdi::AddBitmap(std::move(image->pixels)) : nullptr;
            }
        }
        return nullptr;
    });
}

// DIB sections: bitmaps whose pixel memory the program reads and writes directly, in the layout
// the bitmap description gives. Only the platform's own format is made: 16-bit RGB565.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "wingdi.h"

#include "gdi/bitmap.h"
#include "gdi/object_table.h"
#include "kernel/api_boundary.h"

namespace ce::gdi {

namespace {

constexpr LONG kMaxSectionSide = 16384;
constexpr std::uint32_t kRedMask = 0xF800;
constexpr std::uint32_t kGreenMask = 0x07E0;
constexpr std::uint32_t kBlueMask = 0x001F;

// The memory and the surface over it live and die together: the surface is handed out through an
// aliasing pointer into this block.
struct DibBlock {
    std::vector<Pixel> memory;
    std::unique_ptr<Surface> surface;
};

bool IsRgb565(const BITMAPINFO& info) {
    const BITMAPINFOHEADER& header = info.bmiHeader;
    if (header.biCompression == BI_RGB) {
        return true;
    }
    if (header.biCompression != BI_BITFIELDS) {
        return false;
    }
    // The masks follow a plain header; later header versions hold them at the same offset.
    std::uint32_t masks[3];
    std::memcpy(masks, reinterpret_cast<const std::byte*>(&info) + sizeof(BITMAPINFOHEADER),
                sizeof masks);
    return masks[0] == kRedMask && masks[1] == kGreenMask && masks[2] == kBlueMask;
}

bool IsSupported(const BITMAPINFO* info, UINT usage, HANDLE section, DWORD offset) {
    if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr || offset != 0) {
        return false;
    }
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    return header.biSize >= sizeof(BITMAPINFOHEADER) && header.biPlanes == 1 &&
           header.biBitCount == 16 && header.biWidth > 0 && header.biWidth <= kMaxSectionSide &&
           height > 0 && height <= kMaxSectionSide && IsRgb565(*info);
}

}  // namespace

}  // namespace ce::gdi

using namespace ce::gdi;

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset) {
    if (bits != nullptr) {
        *bits = nullptr;
    }
    return ce::kernel::GuardedCall(static_cast<HBITMAP>(nullptr), [&]() -> HBITMAP {
        if (!IsSupported(info, usage, section, offset)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        const BITMAPINFOHEADER& header = info->bmiHeader;
        const bool bottomUp = header.biHeight > 0;
        const int width = static_cast<int>(header.biWidth);
        const int height = static_cast<int>(bottomUp ? header.biHeight : -header.biHeight);
        // Rows are padded to whole 32-bit words.
        const LONG widthBytes = ((width * 16 + 31) / 32) * 4;
        const std::ptrdiff_t stride = widthBytes / 2;

        auto block = std::make_shared<DibBlock>();
        block->memory.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height),
                             0);
        Pixel* memory = block->memory.data();
        block->surface = std::make_unique<Surface>(memory, width, height, stride, bottomUp);
        std::shared_ptr<Surface> surface(block, block->surface.get());
        const auto handle = static_cast<HBITMAP>(Objects().Add(
            std::make_shared<Bitmap>(std::move(surface), DibMemory{memory, widthBytes})));
        if (bits != nullptr) {
            *bits = memory;
        }
        return handle;
    });
}

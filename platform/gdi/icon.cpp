// Loading, drawing and destroying icons.
#include <array>
#include <mutex>

#include "winuser.h"

#include "ce/resources.h"
#include "gdi/device_context.h"
#include "gdi/icon.h"
#include "gdi/object_table.h"
#include "gdi/pixel_ops.h"
#include "gdi/rect_math.h"
#include "kernel/api_boundary.h"

using namespace ce::gdi;

namespace {

constexpr WORD kFirstSystemIcon = 32513;
constexpr WORD kLastSystemIcon = 32516;

// System icons are shared by every caller and outlive DestroyIcon (and the process's end).
HICON SystemIcon(WORD id) {
    struct Icons {
        std::mutex mutex;
        std::array<HICON, kLastSystemIcon - kFirstSystemIcon + 1> handles{};
    };
    static auto* const icons = new Icons;
    std::lock_guard lock(icons->mutex);
    HICON& icon = icons->handles[id - kFirstSystemIcon];
    if (icon == nullptr) {
        auto image = DrawSystemIcon(id);
        if (!image) {
            return nullptr;
        }
        icon = static_cast<HICON>(Objects().Add(std::make_shared<Icon>(std::move(*image)), true));
    }
    return icon;
}

}  // namespace

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    return ce::kernel::GuardedCall(static_cast<HICON>(nullptr), [&]() -> HICON {
        if (!IS_INTRESOURCE(name)) {
            return nullptr;
        }
        const WORD id = LOWORD(reinterpret_cast<ULONG_PTR>(name));
        if (instance == nullptr) {
            return id >= kFirstSystemIcon && id <= kLastSystemIcon ? SystemIcon(id) : nullptr;
        }
        for (const auto& resource : ce::ProgramResources().icons) {
            if (resource.id == id) {
                auto image = DecodeIconFile(resource.bytes);
                return image ? static_cast<HICON>(
                                   Objects().Add(std::make_shared<Icon>(std::move(*image))))
                             : nullptr;
            }
        }
        return nullptr;
    });
}

BOOL DestroyIcon(HICON icon) {
    return ce::kernel::GuardedCall(FALSE, [&]() -> BOOL {
        std::shared_ptr<GdiObject> removed;
        const auto lock = Objects().Acquire();
        const auto result = Objects().Remove(lock, icon, ObjectKind::kIcon, &removed);
        return result == ObjectTable::DeleteResult::kDeleted ||
               result == ObjectTable::DeleteResult::kKept;
    });
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
    return ce::kernel::GuardedCall(FALSE, [&]() -> BOOL {
        const auto context = FindDc(dc);
        const auto found = Objects().FindAs<Icon>(icon);
        if (!context || !found) {
            return FALSE;
        }
        const DecodedImage& image = found->Image();
        const DrawTarget target = context->Target();
        // Drawn at the system's icon size whatever the size of the image.
        const RECT rect = target.ToSurface(RECT{x, y, x + kIconSize, y + kIconSize});
        BlendImage(*target.surface, rect, *image.pixels, image.alpha.data(), target.clip);
        context->NoteDrawn(ce::Intersect(rect, target.clip));
        return TRUE;
    });
}

#include "gdi/device_context.h"

#include <string_view>

#include "winbase.h"

#include "gdi/font.h"
#include "gdi/object_table.h"
#include "gdi/rect_math.h"
#include "gdi/stock_objects.h"
#include "gdi/surface_dc.h"
#include "kernel/api_boundary.h"

namespace ce::gdi {

namespace {

DcState DefaultState() {
    DcState state;
    state.brush = std::static_pointer_cast<Brush>(StockObject(WHITE_BRUSH));
    state.pen = std::static_pointer_cast<Pen>(StockObject(BLACK_PEN));
    state.font = std::static_pointer_cast<Font>(StockObject(SYSTEM_FONT));
    return state;
}

HDC AddDc(std::shared_ptr<DeviceContext> context) {
    const auto handle = static_cast<HDC>(Objects().Add(context));
    const auto lock = Objects().Acquire();
    CountSelections(lock, context->State(), 1);
    return handle;
}

}  // namespace

RECT DrawTarget::ToSurface(const RECT& rect) const {
    return Offset(rect, origin.x, origin.y);
}

DeviceContext::DeviceContext() : GdiObject(ObjectKind::kDeviceContext), m_state(DefaultState()) {
    m_state.bitmap = Objects().FindAs<Bitmap>(DefaultBitmap());
}

DeviceContext::DeviceContext(std::shared_ptr<Surface> surface, POINT origin, const RECT& clip)
    : GdiObject(ObjectKind::kDeviceContext),
      m_surface(std::move(surface)),
      m_origin(origin),
      m_clip(clip),
      m_state(DefaultState()) {}

DeviceContext::DeviceContext(Display)
    : GdiObject(ObjectKind::kDeviceContext),
      m_surface(std::make_shared<Surface>(0, 0)),
      m_display(true),
      m_state(DefaultState()) {}

DrawTarget DeviceContext::Target() const {
    if (IsMemory()) {
        auto surface = m_state.bitmap->GetSurface();
        const RECT bounds = surface->Bounds();
        return DrawTarget{std::move(surface), POINT{}, bounds};
    }
    return DrawTarget{m_surface, m_origin, Intersect(m_clip, m_surface->Bounds())};
}

void DeviceContext::NoteDrawn(const RECT& rect) {
    m_drawn = Union(m_drawn, rect);
}

std::shared_ptr<DeviceContext> FindDc(HDC dc) {
    auto context = Objects().FindAs<DeviceContext>(dc);
    if (!context) {
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return context;
}

void CountSelections(const ObjectTable::Lock& lock, const DcState& state, int change) {
    ObjectTable::CountSelection(lock, state.bitmap.get(), change);
    ObjectTable::CountSelection(lock, state.brush.get(), change);
    ObjectTable::CountSelection(lock, state.pen.get(), change);
    ObjectTable::CountSelection(lock, state.font.get(), change);
}

HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, const RECT& clip) {
    return kernel::GuardedCall(static_cast<HDC>(nullptr), [&]() -> HDC {
        if (!surface) {
            return nullptr;
        }
        return AddDc(std::make_shared<DeviceContext>(std::move(surface), origin, clip));
    });
}

RECT DrawnBounds(HDC dc) {
    const auto context = FindDc(dc);
    return context ? context->Drawn() : RECT{};
}

}  // namespace ce::gdi

using namespace ce::gdi;

HDC CreateDCW(LPCWSTR driver, LPCWSTR, LPCWSTR, const void*) {
    return ce::kernel::GuardedCall(static_cast<HDC>(nullptr), [&]() -> HDC {
        if (driver == nullptr || std::u16string_view(driver) != u"DISPLAY") {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        return AddDc(std::make_shared<DeviceContext>(DeviceContext::Display{}));
    });
}

HDC CreateCompatibleDC(HDC dc) {
    return ce::kernel::GuardedCall(static_cast<HDC>(nullptr), [&]() -> HDC {
        // A null context means the screen, and every context here is compatible with it.
        if (dc != nullptr && !FindDc(dc)) {
            return nullptr;
        }
        return AddDc(std::make_shared<DeviceContext>());
    });
}

BOOL DeleteDC(HDC dc) {
    return ce::kernel::GuardedCall(FALSE, [&]() -> BOOL {
        std::shared_ptr<GdiObject> removed;
        const auto lock = Objects().Acquire();
        if (Objects().Remove(lock, dc, ObjectKind::kDeviceContext, &removed) !=
            ObjectTable::DeleteResult::kDeleted) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        auto& context = static_cast<DeviceContext&>(*removed);
        CountSelections(lock, context.State(), -1);
        for (const auto& saved : context.SavedStates()) {
            CountSelections(lock, saved, -1);
        }
        return TRUE;
    });
}

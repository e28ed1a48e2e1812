// The drawing state of device contexts: selected objects, saved states, colours and modes.
#include "gdi/device_context.h"
#include "gdi/font.h"
#include "gdi/object_table.h"
#include "kernel/api_boundary.h"

using namespace ce::gdi;

namespace {

// Puts the object into its slot of the state under the table's lock and returns the slot's
// previous object; null when the object cannot be selected there.
template <class Object>
HGDIOBJ Swap(const ObjectTable::Lock& lock, std::shared_ptr<Object>& slot,
             const std::shared_ptr<GdiObject>& object) {
    auto previous = std::move(slot);
    slot = std::static_pointer_cast<Object>(object);
    ObjectTable::CountSelection(lock, slot.get(), 1);
    ObjectTable::CountSelection(lock, previous.get(), -1);
    return previous ? previous->Handle() : nullptr;
}

template <class Field>
Field Exchange(HDC dc, Field DcState::*field, Field value, Field failure) {
    return ce::kernel::GuardedCall(failure, [&] {
        const auto context = FindDc(dc);
        if (!context) {
            return failure;
        }
        Field previous = context->State().*field;
        context->State().*field = value;
        return previous;
    });
}

template <class Field>
Field Read(HDC dc, Field DcState::*field, Field failure) {
    return ce::kernel::GuardedCall(failure, [&] {
        const auto context = FindDc(dc);
        return context ? context->State().*field : failure;
    });
}

constexpr COLORREF kInvalidColor = 0xFFFFFFFFu;

}  // namespace

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    return ce::kernel::GuardedCall(static_cast<HGDIOBJ>(nullptr), [&]() -> HGDIOBJ {
        const auto context = FindDc(dc);
        const auto selected = Objects().Find(object);
        if (!context || !selected) {
            return nullptr;
        }
        const auto lock = Objects().Acquire();
        // Deleted by another thread since it was looked up.
        if (!Objects().Contains(lock, *selected)) {
            return nullptr;
        }
        DcState& state = context->State();
        switch (selected->Kind()) {
            case ObjectKind::kBitmap:
                // Only a memory context draws into a bitmap.
                return context->IsMemory() ? Swap(lock, state.bitmap, selected) : nullptr;
            case ObjectKind::kBrush:
                return Swap(lock, state.brush, selected);
            case ObjectKind::kPen:
                return Swap(lock, state.pen, selected);
            case ObjectKind::kFont:
                return Swap(lock, state.font, selected);
            case ObjectKind::kDeviceContext:
            case ObjectKind::kIcon:
                break;
        }
        return nullptr;
    });
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
    return ce::kernel::GuardedCall(static_cast<HGDIOBJ>(nullptr), [&]() -> HGDIOBJ {
        const auto context = FindDc(dc);
        if (!context) {
            return nullptr;
        }
        const DcState& state = context->State();
        const GdiObject* current = nullptr;
        switch (type) {
            case OBJ_BITMAP:
                current = state.bitmap.get();
                break;
            case OBJ_BRUSH:
                current = state.brush.get();
                break;
            case OBJ_PEN:
                current = state.pen.get();
                break;
            case OBJ_FONT:
                current = state.font.get();
                break;
            default:
                break;
        }
        return current != nullptr ? current->Handle() : nullptr;
    });
}

int SaveDC(HDC dc) {
    return ce::kernel::GuardedCall(0, [&] {
        const auto context = FindDc(dc);
        if (!context) {
            return 0;
        }
        const auto lock = Objects().Acquire();
        auto& saved = context->SavedStates();
        saved.push_back(context->State());
        CountSelections(lock, saved.back(), 1);
        return static_cast<int>(saved.size());
    });
}

BOOL RestoreDC(HDC dc, int savedDc) {
    return ce::kernel::GuardedCall(FALSE, [&]() -> BOOL {
        const auto context = FindDc(dc);
        if (!context) {
            return FALSE;
        }
        auto& saved = context->SavedStates();
        const int count = static_cast<int>(saved.size());
        // Negative levels count back from the latest save.
        const int level = savedDc < 0 ? count + 1 + savedDc : savedDc;
        if (level < 1 || level > count) {
            return FALSE;
        }
        const auto lock = Objects().Acquire();
        CountSelections(lock, context->State(), -1);
        context->State() = std::move(saved[static_cast<std::size_t>(level - 1)]);
        for (std::size_t i = static_cast<std::size_t>(level); i < saved.size(); ++i) {
            CountSelections(lock, saved[i], -1);
        }
        saved.resize(static_cast<std::size_t>(level - 1));
        return TRUE;
    });
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
    return Exchange(dc, &DcState::textColor, color, kInvalidColor);
}

COLORREF GetTextColor(HDC dc) {
    return Read(dc, &DcState::textColor, kInvalidColor);
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
    return Exchange(dc, &DcState::backgroundColor, color, kInvalidColor);
}

COLORREF GetBkColor(HDC dc) {
    return Read(dc, &DcState::backgroundColor, kInvalidColor);
}

int SetBkMode(HDC dc, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Exchange(dc, &DcState::backgroundMode, mode, 0);
}

int GetBkMode(HDC dc) {
    return Read(dc, &DcState::backgroundMode, 0);
}

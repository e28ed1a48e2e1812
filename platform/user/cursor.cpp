// The system cursors and the shape shown for the pointer.
#include <array>

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/desktop.h"

namespace ce::user {

namespace {

// No resource of the programs holds a cursor; a name that is not a system cursor is not found.
constexpr DWORD kResourceNameNotFound = 1814;

struct SystemCursor {
    WORD m_id;
    drivers::CursorShape m_shape;
};

// The handles are the addresses of these entries: nothing else can have them.
constexpr std::array<SystemCursor, 2> kSystemCursors = {{
    {32512, drivers::CursorShape::kArrow},  // IDC_ARROW
    {32514, drivers::CursorShape::kWait},   // IDC_WAIT
}};

HCURSOR HandleOf(const SystemCursor& cursor) {
    return reinterpret_cast<HCURSOR>(const_cast<SystemCursor*>(&cursor));
}

drivers::CursorShape ShapeOf(HCURSOR cursor) {
    if (cursor == nullptr) {
        return drivers::CursorShape::kNone;
    }
    for (const SystemCursor& candidate : kSystemCursors) {
        if (HandleOf(candidate) == cursor) {
            return candidate.m_shape;
        }
    }
    return drivers::CursorShape::kArrow;
}

}  // namespace

}  // namespace ce::user

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HCURSOR>(nullptr, [&]() -> HCURSOR {
        if (instance == nullptr && IS_INTRESOURCE(name)) {
            const auto id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
            for (const SystemCursor& cursor : kSystemCursors) {
                if (cursor.m_id == id) {
                    return HandleOf(cursor);
                }
            }
        }
        SetLastError(kResourceNameNotFound);
        return nullptr;
    });
}

HCURSOR SetCursor(HCURSOR cursor) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HCURSOR>(nullptr, [&] {
        auto desktop = CurrentDesktop();
        const HCURSOR previous = desktop->Input().ExchangeCursor(cursor);
        desktop->Driver().SetCursor(ShapeOf(cursor));
        return previous;
    });
}

#include "user/paint.h"

#include <vector>

#include "winbase.h"

#include "gdi/surface_dc.h"
#include "kernel/api_boundary.h"
#include "user/desktop.h"
#include "user/geometry.h"
#include "user/non_client.h"
#include "gdi/rect_math.h"
#include "user/screen_report.h"
#include "user/send_message.h"
#include "user/update_region.h"

namespace ce::user {

namespace {

struct PaintStart {
    bool m_found = false;
    RECT m_update{};
    bool m_erase = false;
    bool m_frame = false;
};

PaintStart TakeUpdate(Desktop& desktop, HWND window) {
    PaintStart start;
    start.m_found = desktop.Windows().With(window, [&](Window& record) {
        start.m_update = record.m_update;
        start.m_erase = record.m_erasePending;
        start.m_frame = record.m_frameDirty;
        Validate(record, nullptr);
        ++record.m_paints;
    });
    return start;
}

}  // namespace

HDC MakeClientDC(Desktop& desktop, HWND window, const RECT* clip) {
    SurfacePlace place;
    const bool found = desktop.Windows().Locked([&](const WindowTable::View& view) {
        const Window* record = view.Find(window);
        if (record == nullptr) {
            return false;
        }
        place = PlaceOnSurface(view, *record);
        return true;
    });
    if (!found || !place.m_surface) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    RECT visible = place.m_visibleClient;
    if (clip != nullptr) {
        visible = Intersect(visible, Offset(*clip, place.m_clientOrigin.x, place.m_clientOrigin.y));
    }
    return gdi::CreateSurfaceDC(place.m_surface, place.m_clientOrigin, visible);
}

unsigned PaintCount(Desktop& desktop, HWND window) {
    unsigned paints = 0;
    desktop.Windows().With(window, [&](const Window& record) { paints = record.m_paints; });
    return paints;
}

void FinishPaint(Desktop& desktop, HWND window, unsigned paintsBefore) {
    bool frame = false;
    desktop.Windows().With(window, [&](Window& record) {
        if (record.m_paints == paintsBefore) {
            frame = record.m_frameDirty;
            Validate(record, nullptr);
        }
    });
    if (frame) {
        DrawFrame(desktop, window);
    }
}

void PaintNow(Desktop& desktop, HWND window) {
    bool invalid = false;
    desktop.Windows().With(window,
                           [&](const Window& record) { invalid = !IsEmpty(record.m_update); });
    if (invalid) {
        const unsigned paints = PaintCount(desktop, window);
        SendToWindow(desktop, window, WM_PAINT, 0, 0);
        FinishPaint(desktop, window, paints);
    }
    for (HWND child : desktop.Windows().ChildrenOf(window)) {
        PaintNow(desktop, child);
    }
}

}  // namespace ce::user

HDC BeginPaint(HWND window, LPPAINTSTRUCT paint) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HDC>(nullptr, [&]() -> HDC {
        auto desktop = CurrentDesktop();
        if (paint == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        const PaintStart start = TakeUpdate(*desktop, window);
        if (!start.m_found) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (start.m_frame) {
            DrawFrame(*desktop, window);
        }
        HDC dc = MakeClientDC(*desktop, window, &start.m_update);
        if (dc == nullptr) {
            return nullptr;
        }
        bool erased = false;
        if (start.m_erase) {
            erased =
                SendToWindow(*desktop, window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) != 0;
        }
        *paint = PAINTSTRUCT{};
        paint->hdc = dc;
        paint->fErase = start.m_erase && !erased ? TRUE : FALSE;
        paint->rcPaint = start.m_update;
        return dc;
    });
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        if (paint == nullptr || paint->hdc == nullptr) {
            return FALSE;
        }
        PresentDrawn(*CurrentDesktop(), window, paint->hdc);
        DeleteDC(paint->hdc);
        return TRUE;
    });
}

HDC GetDC(HWND window) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HDC>(
        nullptr, [&] { return MakeClientDC(*CurrentDesktop(), window, nullptr); });
}

int ReleaseDC(HWND window, HDC dc) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<int>(0, [&]() -> int {
        if (dc == nullptr) {
            return 0;
        }
        PresentDrawn(*CurrentDesktop(), window, dc);
        return DeleteDC(dc) ? 1 : 0;
    });
}

#include "user/non_client.h"

#include <string>

#include "winuser.h"

#include "gdi/surface_dc.h"
#include "user/desktop.h"
#include "user/geometry.h"
#include "gdi/rect_math.h"
#include "user/screen_report.h"
#include "user/system_colors.h"
#include "user/system_metrics.h"

namespace ce::user {

namespace {

struct FrameLook {
    SurfacePlace m_place;
    LONG m_width = 0;
    LONG m_height = 0;
    int m_frame = 0;
    bool m_caption = false;
    bool m_dialogFrame = false;
    bool m_active = false;
    std::u16string m_text;
};

void FillEdges(HDC dc, const RECT& outer, int thickness, HBRUSH brush) {
    const RECT edges[] = {
        {outer.left, outer.top, outer.right, outer.top + thickness},
        {outer.left, outer.bottom - thickness, outer.right, outer.bottom},
        {outer.left, outer.top, outer.left + thickness, outer.bottom},
        {outer.right - thickness, outer.top, outer.right, outer.bottom},
    };
    for (const RECT& edge : edges) {
        FillRect(dc, &edge, brush);
    }
}

void Draw(HDC dc, const FrameLook& look) {
    const RECT outer{0, 0, look.m_width, look.m_height};
    FillEdges(dc, outer, 1, GetSysColorBrush(kColorWindowFrame));
    if (look.m_dialogFrame) {
        FillEdges(dc, RECT{1, 1, look.m_width - 1, look.m_height - 1}, look.m_frame - 1,
                  GetSysColorBrush(COLOR_BTNFACE));
    }
    if (!look.m_caption) {
        return;
    }
    const RECT caption{look.m_frame, look.m_frame, look.m_width - look.m_frame,
                       look.m_frame + kCaptionHeight};
    FillRect(dc, &caption,
             GetSysColorBrush(look.m_active ? COLOR_ACTIVECAPTION : kColorInactiveCaption));
    SetTextColor(dc, GetSysColor(look.m_active ? COLOR_CAPTIONTEXT : kColorInactiveCaptionText));
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    RECT text{caption.left + 4, caption.top, caption.right - 2, caption.bottom};
    DrawTextW(dc, look.m_text.c_str(), static_cast<int>(look.m_text.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
}

}  // namespace

void DrawFrame(Desktop& desktop, HWND window) {
    const HWND active = desktop.Input().Active();
    FrameLook look;
    const bool draw = desktop.Windows().Locked([&](const WindowTable::View& view) {
        Window* record = view.Find(window);
        if (record == nullptr || !HasNonClientArea(*record) || !IsShown(view, *record)) {
            return false;
        }
        record->m_frameDirty = false;
        look.m_place = PlaceOnSurface(view, *record);
        look.m_width = Width(record->m_rect);
        look.m_height = Height(record->m_rect);
        look.m_frame = FrameWidth(*record);
        look.m_caption = HasCaption(*record);
        look.m_dialogFrame = look.m_frame > kBorderWidth;
        look.m_active = window == active;
        look.m_text = record->m_text;
        return look.m_place.m_surface != nullptr && !IsEmpty(look.m_place.m_visibleWindow);
    });
    if (!draw) {
        return;
    }
    HDC dc = gdi::CreateSurfaceDC(look.m_place.m_surface, look.m_place.m_windowOrigin,
                                  look.m_place.m_visibleWindow);
    if (dc == nullptr) {
        return;
    }
    Draw(dc, look);
    PresentDrawn(desktop, window, dc);
    DeleteDC(dc);
}

}  // namespace ce::user

#include "user/controls/edit_control.h"
#include "user/controls/edit_control_state.h"

#include <algorithm>

#include "user/controls/dialog_controls.h"

namespace ce::user {

void PaintEdit(HWND window, const EditState& state) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    if (dc == nullptr) {
        return;
    }
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, ControlColors(window, dc, WM_CTLCOLOREDIT));
    HGDIOBJ previousFont = SelectObject(dc, ControlFont(state.m_font));
    if (!IsWindowEnabled(window)) {
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    }
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);

    const EditModel& model = state.m_model;
    const RECT view{kEditMarginX, kEditMarginY, client.right - kEditMarginX, client.bottom};
    ExtTextOutW(dc, kEditMarginX - model.Scroll(), kEditMarginY, ETO_CLIPPED, &view,
                model.Text().c_str(), static_cast<UINT>(model.Text().size()), nullptr);
    if (state.m_focused && state.m_caretShown) {
        const int x = kEditMarginX + model.CaretX();
        const RECT caret{x, kEditMarginY, x + 1,
                         std::min<LONG>(kEditMarginY + metrics.tmHeight, client.bottom)};
        HBRUSH caretBrush = CreateSolidBrush(GetTextColor(dc));
        FillRect(dc, &caret, caretBrush);
        DeleteObject(caretBrush);
    }
    SelectObject(dc, previousFont);
    EndPaint(window, &paint);
}

}  // namespace ce::user

#include <string>

#include "user/controls/button.h"
#include "user/controls/dialog_controls.h"

namespace ce::user {

namespace {

void Line(HDC dc, LONG left, LONG top, LONG right, LONG bottom, int color) {
    const RECT rect{left, top, right, bottom};
    FillRect(dc, &rect, GetSysColorBrush(color));
}

// Light on the top and left edges, dark below and right: the face stands out.
void RaisedEdges(HDC dc, const RECT& r) {
    Line(dc, r.left, r.top, r.right - 1, r.top + 1, COLOR_BTNHIGHLIGHT);
    Line(dc, r.left, r.top, r.left + 1, r.bottom - 1, COLOR_BTNHIGHLIGHT);
    Line(dc, r.left, r.bottom - 1, r.right, r.bottom, COLOR_WINDOWTEXT);
    Line(dc, r.right - 1, r.top, r.right, r.bottom, COLOR_WINDOWTEXT);
    Line(dc, r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1, COLOR_BTNSHADOW);
    Line(dc, r.right - 2, r.top + 1, r.right - 1, r.bottom - 1, COLOR_BTNSHADOW);
}

std::u16string TextOf(HWND window) {
    std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

void PaintButton(HWND window, HDC dc, bool pressed) {
    RECT face{};
    GetClientRect(window, &face);
    FillRect(dc, &face, GetSysColorBrush(COLOR_BTNFACE));
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    if ((style & 0x0Fu) == BS_DEFPUSHBUTTON) {
        FrameRect(dc, &face, GetSysColorBrush(COLOR_WINDOWTEXT));
        face = RECT{face.left + 1, face.top + 1, face.right - 1, face.bottom - 1};
    }
    RECT textRect = face;
    if (pressed) {
        FrameRect(dc, &face, GetSysColorBrush(COLOR_BTNSHADOW));
        textRect = RECT{face.left + 1, face.top + 1, face.right + 1, face.bottom + 1};
    } else {
        RaisedEdges(dc, face);
    }

    const auto font = reinterpret_cast<HFONT>(GetWindowLongPtrW(window, kControlFontSlot));
    HGDIOBJ previousFont = SelectObject(dc, ControlFont(font));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(window) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    const std::u16string text = TextOf(window);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, previousFont);
}

}  // namespace ce::user

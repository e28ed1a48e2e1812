#include "user/controls/dialog_controls.h"

namespace ce::user {

HFONT ControlFont(HFONT font) {
    return font != nullptr ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

HBRUSH ControlColors(HWND control, HDC dc, UINT message) {
    HWND parent = GetParent(control);
    const auto wParam = reinterpret_cast<WPARAM>(dc);
    const auto lParam = reinterpret_cast<LPARAM>(control);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(parent, message, wParam, lParam));
    if (brush == nullptr) {
        brush = reinterpret_cast<HBRUSH>(DefWindowProcW(parent, message, wParam, lParam));
    }
    return brush;
}

void NotifyParent(HWND control, WORD code) {
    const auto id = static_cast<WORD>(GetWindowLongPtrW(control, GWLP_ID));
    SendMessageW(GetParent(control), WM_COMMAND,
                 static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(id, code))),
                 reinterpret_cast<LPARAM>(control));
}

POINT PointOf(LPARAM lParam) {
    return POINT{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
}

}  // namespace ce::user

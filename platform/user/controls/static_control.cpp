#include "user/controls/static_control.h"

#include <string>

#include "user/controls/dialog_controls.h"

namespace ce::user {

namespace {

UINT AlignmentOf(HWND window) {
    switch (static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)) & 0x0Fu) {
        case SS_CENTER:
            return DT_CENTER;
        case SS_RIGHT:
            return DT_RIGHT;
        default:
            return DT_LEFT;
    }
}

// The parent chooses the background brush and leaves the colours for the text in the DC.
void PaintStatic(HWND window) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    if (dc == nullptr) {
        return;
    }
    RECT client{};
    GetClientRect(window, &client);
    HBRUSH brush = ControlColors(window, dc, WM_CTLCOLORSTATIC);
    if (brush != nullptr) {
        FillRect(dc, &client, brush);
    }
    const auto font = reinterpret_cast<HFONT>(GetWindowLongPtrW(window, kControlFontSlot));
    HGDIOBJ previousFont = SelectObject(dc, ControlFont(font));
    std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    const bool noPrefix = (GetWindowLongPtrW(window, GWL_STYLE) & SS_NOPREFIX) != 0;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client,
              AlignmentOf(window) | DT_WORDBREAK | (noPrefix ? DT_NOPREFIX : 0u));
    SelectObject(dc, previousFont);
    EndPaint(window, &paint);
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFONT:
            SetWindowLongPtrW(window, kControlFontSlot, static_cast<LONG_PTR>(wParam));
            if (LOWORD(lParam) != 0) {
                InvalidateRect(window, nullptr, TRUE);
            }
            return 0;
        case WM_GETFONT:
            return GetWindowLongPtrW(window, kControlFontSlot);
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
            InvalidateRect(window, nullptr, TRUE);
            return result;
        }
        case WM_ENABLE:
            InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case WM_ERASEBKGND:
            // WM_PAINT fills the background with the parent's brush.
            return 1;
        case WM_PAINT:
            PaintStatic(window);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace ce::user

#include "user/default_handling.h"

#include <cstdint>

#include "user/desktop.h"
#include "user/geometry.h"

namespace ce::user {

namespace {

// A class background below this value is a system colour index plus one (COLOR_WINDOW + 1).
constexpr std::uintptr_t kColorBrushLimit = 32;

}  // namespace

LRESULT DefaultEraseBackground(Desktop& desktop, HWND window, HDC dc) {
    HBRUSH brush = nullptr;
    RECT client{};
    desktop.Windows().With(window, [&](const Window& record) {
        brush = record.m_class->m_background;
        client = ClientRect(record);
    });
    const auto value = reinterpret_cast<std::uintptr_t>(brush);
    if (value == 0) {
        return 0;
    }
    if (value < kColorBrushLimit) {
        brush = GetSysColorBrush(static_cast<int>(value) - 1);
    }
    FillRect(dc, &client, brush);
    return 1;
}

LRESULT DefaultControlColor(UINT message, HDC dc) {
    const int background = message == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_BTNFACE;
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(background));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(background));
}

LRESULT DefaultIcon(Desktop& desktop, HWND window, UINT message, WPARAM kind, LPARAM icon) {
    HICON result = nullptr;
    desktop.Windows().With(window, [&](Window& record) {
        HICON& slot = kind == ICON_BIG ? record.m_bigIcon : record.m_smallIcon;
        result = slot;
        if (message == WM_SETICON) {
            slot = reinterpret_cast<HICON>(icon);
        }
    });
    return reinterpret_cast<LRESULT>(result);
}

}  // namespace ce::user

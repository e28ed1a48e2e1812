// The class name and title of a top-level window as X properties, where another process finds
// the window by them: WM_CLASS (both parts are the class name), WM_NAME and _NET_WM_NAME.
#pragma once

#include "drivers/x11/x11_xlib.h"

#include <string_view>

namespace ce::drivers::x11 {

class WindowTexts {
public:
    explicit WindowTexts(Display* display);

    void SetClassName(Window window, std::u16string_view className) const;
    // WM_NAME is Latin-1 (STRING) when the title fits, as older readers expect, else UTF8_STRING;
    // _NET_WM_NAME is always UTF-8.
    void SetTitle(Window window, std::u16string_view title) const;

private:
    Display* m_display;
    Atom m_utf8String;
    Atom m_netWmName;
};

}  // namespace ce::drivers::x11

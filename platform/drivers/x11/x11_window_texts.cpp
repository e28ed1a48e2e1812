#include "drivers/x11/x11_window_texts.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <string>

#include "kernel/utf.h"

namespace ce::drivers::x11 {
namespace {

std::string ToUtf8(std::u16string_view text) {
    std::string result(kernel::Utf16ToUtf8(text, nullptr, 0, false).length, '\0');
    kernel::Utf16ToUtf8(text, result.data(), result.size(), false);
    return result;
}

bool ToLatin1(std::u16string_view text, std::string* latin1) {
    latin1->clear();
    for (char16_t c : text) {
        if (c > 0xFF) {
            return false;
        }
        latin1->push_back(static_cast<char>(c));
    }
    return true;
}

void SetText(Display* display, Window window, Atom property, Atom type, const std::string& text) {
    XChangeProperty(display, window, property, type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()),
                    static_cast<int>(text.size()));
}

}  // namespace

WindowTexts::WindowTexts(Display* display)
    : m_display(display),
      m_utf8String(XInternAtom(display, "UTF8_STRING", False)),
      m_netWmName(XInternAtom(display, "_NET_WM_NAME", False)) {}

void WindowTexts::SetClassName(Window window, std::u16string_view className) const {
    std::string name = ToUtf8(className);
    XClassHint hint{name.data(), name.data()};
    XSetClassHint(m_display, window, &hint);
}

void WindowTexts::SetTitle(Window window, std::u16string_view title) const {
    const std::string utf8 = ToUtf8(title);
    std::string latin1;
    if (ToLatin1(title, &latin1)) {
        SetText(m_display, window, XA_WM_NAME, XA_STRING, latin1);
    } else {
        SetText(m_display, window, XA_WM_NAME, m_utf8String, utf8);
    }
    SetText(m_display, window, m_netWmName, m_utf8String, utf8);
}

}  // namespace ce::drivers::x11

// FindWindowW: the process's own top-level windows first, then (on a display shared with other
// programs) the driver's. Class names and titles compare case-insensitively in ASCII.
#include "winuser.h"

#include <string>
#include <string_view>

#include "kernel/api_boundary.h"
#include "user/desktop.h"
#include "user/foreign_window.h"
#include "user/window_class.h"

namespace ce::user {

namespace {

bool ClassMatches(const WindowClass& windowClass, LPCWSTR className) {
    if (className == nullptr) {
        return true;
    }
    if (IsAtomName(className)) {
        return windowClass.m_atom == static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(className));
    }
    return FoldClassName(windowClass.m_name) == FoldClassName(className);
}

bool TitleMatches(const std::u16string& text, LPCWSTR title) {
    return title == nullptr || FoldClassName(text) == FoldClassName(title);
}

HWND FindOwnWindow(Desktop& desktop, LPCWSTR className, LPCWSTR title) {
    for (const HWND window : desktop.Windows().TopLevel()) {
        bool matches = false;
        desktop.Windows().With(window, [&](const Window& record) {
            matches =
                ClassMatches(*record.m_class, className) && TitleMatches(record.m_text, title);
        });
        if (matches) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace

}  // namespace ce::user

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HWND>(nullptr, [&]() -> HWND {
        auto desktop = CurrentDesktop();
        if (const HWND own = FindOwnWindow(*desktop, className, windowName)) {
            return own;
        }
        // Other programs' classes are known by name only.
        if (className != nullptr && IsAtomName(className)) {
            return nullptr;
        }
        ce::drivers::ForeignWindowAccess* remote = desktop->ForeignWindows();
        const auto foreign =
            remote != nullptr ? remote->FindForeignWindow(className, windowName) : 0;
        return foreign != 0 ? ForeignWindowHandle(foreign) : nullptr;
    });
}

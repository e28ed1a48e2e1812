// Window texts: the API sends WM_SETTEXT and WM_GETTEXT, DefWindowProcW keeps the text.
#include <algorithm>
#include <string>

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/default_handling.h"
#include "user/desktop.h"
#include "user/geometry.h"
#include "user/non_client.h"
#include "user/screen_report.h"
#include "user/send_message.h"

namespace ce::user {

LRESULT DefaultSetText(Desktop& desktop, HWND window, LPCWSTR text) {
    std::u16string kept = text == nullptr ? std::u16string() : std::u16string(text);
    bool caption = false;
    bool topLevel = false;
    const bool found = desktop.Windows().With(window, [&](Window& record) {
        record.m_text = std::move(kept);
        caption = HasCaption(record);
        topLevel = record.m_parent == nullptr;
    });
    if (!found) {
        return FALSE;
    }
    if (caption) {
        DrawFrame(desktop, window);
    }
    if (topLevel) {
        ReportWindow(desktop, window);
    }
    return TRUE;
}

LRESULT DefaultGetText(Desktop& desktop, HWND window, WPARAM capacity, LPWSTR buffer) {
    if (buffer == nullptr || capacity == 0) {
        return 0;
    }
    std::size_t copied = 0;
    desktop.Windows().With(window, [&](const Window& record) {
        copied = std::min<std::size_t>(record.m_text.size(), capacity - 1);
        std::copy_n(record.m_text.begin(), copied, buffer);
    });
    buffer[copied] = u'\0';
    return static_cast<LRESULT>(copied);
}

LRESULT DefaultGetTextLength(Desktop& desktop, HWND window) {
    std::size_t length = 0;
    desktop.Windows().With(window, [&](const Window& record) { length = record.m_text.size(); });
    return static_cast<LRESULT>(length);
}

}  // namespace ce::user

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        return SendToWindow(*CurrentDesktop(), window, WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(text)) != 0
                   ? TRUE
                   : FALSE;
    });
}

int GetWindowTextW(HWND window, LPWSTR text, int capacity) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<int>(0, [&]() -> int {
        if (text == nullptr || capacity <= 0) {
            return 0;
        }
        text[0] = u'\0';
        return static_cast<int>(SendToWindow(*CurrentDesktop(), window, WM_GETTEXT,
                                             static_cast<WPARAM>(capacity),
                                             reinterpret_cast<LPARAM>(text)));
    });
}

int GetWindowTextLengthW(HWND window) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<int>(0, [&] {
        return static_cast<int>(SendToWindow(*CurrentDesktop(), window, WM_GETTEXTLENGTH, 0, 0));
    });
}

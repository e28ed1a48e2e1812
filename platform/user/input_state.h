// Which windows have the keyboard focus, the activation and the pointer capture, and the cursor
// shown: state of the whole desktop, read by the driver's input thread as well.
#pragma once

#include <mutex>
#include <utility>

#include "windef.h"

namespace ce::user {

// Its lock is taken last: nothing else is locked or called while it is held.
class InputState {
public:
    HWND Focus() const { return Get(m_focus); }
    HWND Active() const { return Get(m_active); }
    HWND Capture() const { return Get(m_capture); }
    HCURSOR Cursor() const { return Get(m_cursor); }
    bool ButtonDown() const { return Get(m_buttonDown); }

    HWND ExchangeFocus(HWND window) { return Exchange(m_focus, window); }
    HWND ExchangeActive(HWND window) { return Exchange(m_active, window); }
    HWND ExchangeCapture(HWND window) { return Exchange(m_capture, window); }
    HCURSOR ExchangeCursor(HCURSOR cursor) { return Exchange(m_cursor, cursor); }
    // Whether the pointer's button is down, as the driver's events last said.
    bool ExchangeButton(bool down) { return Exchange(m_buttonDown, down); }

    // A window that is gone holds nothing any more.
    void Forget(HWND window) {
        std::lock_guard lock(m_mutex);
        for (HWND* held : {&m_focus, &m_active, &m_capture}) {
            if (*held == window) {
                *held = nullptr;
            }
        }
    }

private:
    template <class T>
    T Get(const T& field) const {
        std::lock_guard lock(m_mutex);
        return field;
    }
    template <class T>
    T Exchange(T& field, T value) {
        std::lock_guard lock(m_mutex);
        return std::exchange(field, value);
    }

    mutable std::mutex m_mutex;
    HWND m_focus = nullptr;
    HWND m_active = nullptr;
    HWND m_capture = nullptr;
    HCURSOR m_cursor = nullptr;
    bool m_buttonDown = false;
};

}  // namespace ce::user

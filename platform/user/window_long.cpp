#include <cstring>

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/desktop.h"

namespace ce::user {

namespace {

bool FitsExtraBytes(const Window& window, int index) {
    return index >= 0 &&
           static_cast<std::size_t>(index) + sizeof(LONG_PTR) <= window.m_extraBytes.size();
}

// Styles are 32-bit values; they read back sign-extended like the device's LONG fields.
LONG_PTR FromStyle(DWORD style) {
    return static_cast<LONG>(style);
}

// Reads the value at index, then stores the new one when there is one. False for an index the
// window does not have.
bool AccessLong(Window& window, int index, LONG_PTR& value, const LONG_PTR* newValue) {
    switch (index) {
        case GWLP_WNDPROC:
            value = reinterpret_cast<LONG_PTR>(window.m_procedure);
            if (newValue != nullptr) {
                window.m_procedure = reinterpret_cast<WNDPROC>(*newValue);
            }
            return true;
        case GWLP_USERDATA:
            value = window.m_userData;
            if (newValue != nullptr) {
                window.m_userData = *newValue;
            }
            return true;
        case GWLP_ID:
            value = window.m_id;
            if (newValue != nullptr) {
                window.m_id = *newValue;
            }
            return true;
        case GWL_STYLE:
            value = FromStyle(window.m_style);
            if (newValue != nullptr) {
                window.m_style = static_cast<DWORD>(*newValue);
            }
            return true;
        case GWL_EXSTYLE:
            value = FromStyle(window.m_exStyle);
            if (newValue != nullptr) {
                window.m_exStyle = static_cast<DWORD>(*newValue);
            }
            return true;
        default:
            if (!FitsExtraBytes(window, index)) {
                return false;
            }
            std::byte* place = window.m_extraBytes.data() + index;
            std::memcpy(&value, place, sizeof value);
            if (newValue != nullptr) {
                std::memcpy(place, newValue, sizeof *newValue);
            }
            return true;
    }
}

LONG_PTR WindowLong(HWND window, int index, const LONG_PTR* newValue) {
    auto desktop = CurrentDesktop();
    LONG_PTR value = 0;
    bool validIndex = true;
    bool ownThread = true;
    const DWORD threadId = GetCurrentThreadId();
    const bool found = desktop->Windows().With(window, [&](Window& record) {
        // Only the owner thread may replace the procedure: it is the one that calls it.
        if (newValue != nullptr && index == GWLP_WNDPROC && record.m_threadId != threadId) {
            ownThread = false;
            return;
        }
        validIndex = AccessLong(record, index, value, newValue);
    });
    if (!found) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!ownThread) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    if (!validIndex) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    return value;
}

}  // namespace

}  // namespace ce::user

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
    return ce::kernel::GuardedCall<LONG_PTR>(
        0, [&] { return ce::user::WindowLong(window, index, nullptr); });
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
    return ce::kernel::GuardedCall<LONG_PTR>(
        0, [&] { return ce::user::WindowLong(window, index, &value); });
}

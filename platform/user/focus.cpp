// Focus, activation and capture as the programs see them.
#include <cstdint>

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/activation.h"
#include "user/desktop.h"
#include "user/foreign_window.h"

namespace ce::user {

namespace {

// Null stays null; a handle that names no window fails.
bool IsNullOrWindow(Desktop& desktop, HWND window) {
    if (window != nullptr && !desktop.Windows().Find(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

// Window handles never have bit 0 set; the device's SetForegroundWindow takes it as a request to
// bring the owned windows forward too.
HWND WithoutFlag(HWND window) {
    return reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(window) & ~std::uintptr_t{1});
}

}  // namespace

}  // namespace ce::user

HWND SetFocus(HWND window) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HWND>(nullptr, [&]() -> HWND {
        auto desktop = CurrentDesktop();
        if (!IsNullOrWindow(*desktop, window)) {
            return nullptr;
        }
        return MoveFocus(*desktop, window);
    });
}

HWND GetFocus() {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HWND>(nullptr, [] { return CurrentDesktop()->Input().Focus(); });
}

HWND SetActiveWindow(HWND window) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HWND>(nullptr, [&]() -> HWND {
        auto desktop = CurrentDesktop();
        if (!IsNullOrWindow(*desktop, window)) {
            return nullptr;
        }
        const HWND previous = desktop->Input().Active();
        Activate(*desktop, desktop->Windows().RootOf(window), WA_ACTIVE);
        return previous;
    });
}

HWND GetActiveWindow() {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HWND>(nullptr,
                                         [] { return CurrentDesktop()->Input().Active(); });
}

// Within the process the foreground window is the active one; another program's window (from
// FindWindowW) is raised on the display.
BOOL SetForegroundWindow(HWND window) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        auto desktop = CurrentDesktop();
        if (const auto foreign = ForeignWindowOf(window)) {
            ce::drivers::ForeignWindowAccess* remote = desktop->ForeignWindows();
            if (remote == nullptr || !remote->RaiseForeignWindow(*foreign)) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return FALSE;
            }
            return TRUE;
        }
        const HWND target = WithoutFlag(window);
        if (target == nullptr || !desktop->Windows().Find(target)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        Activate(*desktop, desktop->Windows().RootOf(target), WA_ACTIVE);
        return TRUE;
    });
}

HWND GetForegroundWindow() {
    return GetActiveWindow();
}

HWND SetCapture(HWND window) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HWND>(nullptr, [&]() -> HWND {
        auto desktop = CurrentDesktop();
        if (window == nullptr || !desktop->Windows().Find(window)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        return ChangeCapture(*desktop, window);
    });
}

BOOL ReleaseCapture() {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        ChangeCapture(*CurrentDesktop(), nullptr);
        return TRUE;
    });
}

HWND GetCapture() {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HWND>(nullptr,
                                         [] { return CurrentDesktop()->Input().Capture(); });
}

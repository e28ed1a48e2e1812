// mouse_event: synthesised pointer input through the desktop's remote access.
#include "user/mouse_input.h"

#include <algorithm>
#include <cstdint>

#include "winuser.h"

#include "drivers/remote_access.h"
#include "kernel/api_boundary.h"
#include "user/desktop.h"

namespace ce::user {

namespace {

constexpr std::uint64_t kAbsoluteRange = 65535;

LONG ScaleToPixel(DWORD value, LONG extent) {
    if (extent <= 0) {
        return 0;
    }
    const std::uint64_t nearest =
        (std::uint64_t{value} * static_cast<std::uint64_t>(extent) + kAbsoluteRange / 2) /
        kAbsoluteRange;
    return static_cast<LONG>(
        std::min<std::uint64_t>(nearest, static_cast<std::uint64_t>(extent - 1)));
}

LONG Clamp(std::int64_t value, LONG extent) {
    return static_cast<LONG>(std::clamp<std::int64_t>(value, 0, std::max<LONG>(extent - 1, 0)));
}

}  // namespace

POINT AbsoluteToScreen(DWORD dx, DWORD dy, SIZE screen) {
    return POINT{ScaleToPixel(dx, screen.cx), ScaleToPixel(dy, screen.cy)};
}

POINT MoveBy(POINT from, LONG dx, LONG dy, SIZE screen) {
    return POINT{Clamp(std::int64_t{from.x} + dx, screen.cx),
                 Clamp(std::int64_t{from.y} + dy, screen.cy)};
}

}  // namespace ce::user

void mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD, ULONG_PTR) {
    using namespace ce::user;
    using ce::drivers::MouseButton;
    ce::kernel::GuardedCall(0, [&] {
        auto desktop = CurrentDesktop();
        // A display without remote access takes no synthesised input.
        ce::drivers::ScreenAccess* remote = desktop->RemoteScreen();
        if (remote == nullptr) {
            return 0;
        }
        const bool absolute = (flags & MOUSEEVENTF_ABSOLUTE) != 0;
        const DWORD buttons =
            MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP | MOUSEEVENTF_RIGHTDOWN | MOUSEEVENTF_RIGHTUP;
        // As on a touch screen, an absolute button event happens where it says: the pointer
        // goes there first even without MOUSEEVENTF_MOVE.
        if ((flags & MOUSEEVENTF_MOVE) != 0 || (absolute && (flags & buttons) != 0)) {
            const SIZE screen = desktop->Driver().ScreenSize();
            const POINT to = absolute ? AbsoluteToScreen(dx, dy, screen)
                                      : MoveBy(remote->PointerPosition(), static_cast<LONG>(dx),
                                               static_cast<LONG>(dy), screen);
            remote->InjectPointerMove(to);
        }
        static constexpr struct {
            DWORD flag;
            MouseButton button;
            bool down;
        } kButtons[] = {{MOUSEEVENTF_LEFTDOWN, MouseButton::kLeft, true},
                        {MOUSEEVENTF_LEFTUP, MouseButton::kLeft, false},
                        {MOUSEEVENTF_RIGHTDOWN, MouseButton::kRight, true},
                        {MOUSEEVENTF_RIGHTUP, MouseButton::kRight, false}};
        for (const auto& entry : kButtons) {
            if ((flags & entry.flag) != 0) {
                remote->InjectButton(entry.button, entry.down);
            }
        }
        return 0;
    });
}

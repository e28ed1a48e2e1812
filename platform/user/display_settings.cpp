// ChangeDisplaySettingsExW: only the test of the current mode, which reports it.
#include "winuser.h"

#include "kernel/api_boundary.h"
#include "user/desktop.h"

namespace {

DWORD OrientationOf(ce::drivers::DisplayRotation rotation) {
    using ce::drivers::DisplayRotation;
    switch (rotation) {
        case DisplayRotation::k90:
            return DMDO_90;
        case DisplayRotation::k180:
            return DMDO_180;
        case DisplayRotation::k270:
            return DMDO_270;
        case DisplayRotation::k0:
            break;
    }
    return DMDO_0;
}

}  // namespace

LONG ChangeDisplaySettingsExW(LPCWSTR deviceName, LPDEVMODEW mode, HWND, DWORD flags, LPVOID) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<LONG>(DISP_CHANGE_FAILED, [&]() -> LONG {
        if (flags != CDS_TEST) {
            return DISP_CHANGE_BADMODE;
        }
        if (deviceName != nullptr || mode == nullptr || mode->dmSize < sizeof(DEVMODEW)) {
            return DISP_CHANGE_BADPARAM;
        }
        auto& driver = CurrentDesktop()->Driver();
        if ((mode->dmFields & DM_DISPLAYORIENTATION) != 0) {
            mode->dmDisplayOrientation = OrientationOf(driver.ScreenRotation());
        }
        const SIZE screen = driver.ScreenSize();
        if ((mode->dmFields & DM_PELSWIDTH) != 0) {
            mode->dmPelsWidth = static_cast<DWORD>(screen.cx);
        }
        if ((mode->dmFields & DM_PELSHEIGHT) != 0) {
            mode->dmPelsHeight = static_cast<DWORD>(screen.cy);
        }
        return DISP_CHANGE_SUCCESSFUL;
    });
}

#include "winuser.h"

#include "gdi/device_context.h"
#include "kernel/api_boundary.h"

int GetDeviceCaps(HDC dc, int index) {
    return ce::kernel::GuardedCall(0, [&] {
        if (!ce::gdi::FindDc(dc)) {
            return 0;
        }
        switch (index) {
            // Every context of this platform has the screen's capabilities.
            case HORZRES:
                return GetSystemMetrics(SM_CXSCREEN);
            case VERTRES:
                return GetSystemMetrics(SM_CYSCREEN);
            case BITSPIXEL:
                return 16;
            case PLANES:
                return 1;
            case LOGPIXELSX:
            case LOGPIXELSY:
                return 96;
            default:
                return 0;
        }
    });
}

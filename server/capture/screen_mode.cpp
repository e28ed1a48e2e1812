#include "capture/screen_mode.h"

#include "net/viewer_protocol.h"

signed char OrientationCodeOf(DWORD displayOrientation) {
    switch (displayOrientation) {
        case DMDO_0:
            return kOrientationCode0;
        case DMDO_90:
            return kOrientationCode90;
        case DMDO_180:
            return kOrientationCode180;
        default:
            return kOrientationCodeOther;
    }
}

signed char ScreenModeByte(int width, int height, signed char orientationCode,
                           signed char previous) {
    for (const ScreenResolutionFlag& resolution : kScreenResolutionFlags) {
        if (resolution.width == width && resolution.height == height) {
            return static_cast<signed char>(orientationCode + resolution.flag);
        }
    }
    return previous;
}

#include "capture/screen_mode.h"

signed char OrientationCodeOf(DWORD displayOrientation) {
    switch (displayOrientation) {
        case DMDO_0:
            return 4;
        case DMDO_90:
            return 0;
        case DMDO_180:
            return 1;
        default:
            return 2;
    }
}

signed char ScreenModeByte(int width, int height, signed char orientationCode,
                           signed char previous) {
    struct Resolution {
        int width;
        int height;
        int flag;
    };
    constexpr Resolution kResolutions[] = {
        {240, 320, 0x00},
        {320, 240, 0x10},
        {272, 480, 0x20},
        {480, 272, 0x40},
    };
    for (const Resolution& resolution : kResolutions) {
        if (resolution.width == width && resolution.height == height) {
            return static_cast<signed char>(orientationCode + resolution.flag);
        }
    }
    return previous;
}

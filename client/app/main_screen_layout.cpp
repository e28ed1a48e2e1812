#include "app/main_screen_layout.h"

MainScreenZone MainScreenZoneAt(POINT point) {
    // All three zones span the same columns.
    if (point.x <= 34 || point.x >= 233) {
        return MainScreenZone::kNone;
    }
    if (point.y >= 114 && point.y <= 157) {
        return MainScreenZone::kSync;
    }
    if (point.y >= 197 && point.y <= 232) {
        return MainScreenZone::kAddress;
    }
    if (point.y >= 280 && point.y <= 312) {
        return MainScreenZone::kQuit;
    }
    return MainScreenZone::kNone;
}

// Where things are on the main screen. The positions are fixed pixels laid out for a 272x480
// portrait screen and are not scaled on other screens (only the background is stretched).
#pragma once

#include <windows.h>

enum class MainScreenZone { kNone, kSync, kAddress, kQuit };

// The touch zone a tap at the point (client pixels) falls in.
MainScreenZone MainScreenZoneAt(POINT point);

constexpr RECT kAddressRect{99, 228, 219, 244};
constexpr RECT kUpdatedRect{120, 388, 252, 400};
constexpr RECT kSizeRect{120, 418, 252, 430};

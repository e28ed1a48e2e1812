// Where the control window's controls go, and the text of its address line. Pure decisions:
// the window procedure applies them.
#pragma once

#include <windows.h>

struct ControlPlacement {
    int x;
    int y;
    int width;
    int height;
};

struct ControlLayout {
    ControlPlacement start;
    ControlPlacement stop;
    ControlPlacement exit;
    ControlPlacement addressLine;
    ControlPlacement statusLine;
};

// The button column is centred in the client area (rounding toward zero, so a client area
// smaller than the column gives negative positions), the address line runs along the top and
// the status line sits 5 pixels inside the bottom right corner.
ControlLayout LayoutControls(const RECT& client);

constexpr int kAddressLineCapacity = 128;

// "IP: " + own address (or "x.x.x.x" without one) + " Version: " + version, cut to fit the
// buffer with its terminator.
void ComposeAddressLine(WCHAR (&line)[kAddressLineCapacity], LPCWSTR ownAddress, LPCWSTR version);

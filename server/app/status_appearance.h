// What the status line shows: the viewer in green while one is connected, "Waiting..." in red
// otherwise.
#pragma once

#include <windows.h>

struct StatusAppearance {
    COLORREF colour;
    LPCWSTR text;
};

constexpr COLORREF kConnectedColour = 0x0000FF00;
constexpr COLORREF kWaitingColour = 0x000000FF;

StatusAppearance ChooseStatus(int connected, LPCWSTR viewerLabel);

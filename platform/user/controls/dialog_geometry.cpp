#include "user/controls/dialog_geometry.h"

#include <algorithm>

namespace ce::user {

// A window smaller than its frame has an empty client area, which hides part of the frame's
// size: the second round measures it with the client area in place.
void SetClientSize(HWND window, int width, int height) {
    for (int round = 0; round < 2; ++round) {
        RECT outer{};
        RECT client{};
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        if (client.right == width && client.bottom == height) {
            return;
        }
        const int frameWidth = (outer.right - outer.left) - client.right;
        const int frameHeight = (outer.bottom - outer.top) - client.bottom;
        SetWindowPos(window, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CentreOnScreen(HWND window) {
    RECT outer{};
    GetWindowRect(window, &outer);
    const int x = std::max((GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2, 0);
    const int y = std::max((GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2, 0);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace ce::user

#include "app/window_viewer_events.h"

#include <cstring>

#include "app/server_messages.h"
#include "app/server_state.h"

void WindowViewerEvents::ViewerArrived(LPCWSTR label) {
    std::memset(g_viewerLabel, 0, sizeof g_viewerLabel);
    for (int i = 0; i < kViewerLabelCapacity - 1 && label[i] != 0; ++i) {
        g_viewerLabel[i] = label[i];
    }
    SendMessageW(g_mainWindow, MSG_VIEWER_CONNECTED, 0, 0);
}

void WindowViewerEvents::ViewerGone() {
    SendMessageW(g_mainWindow, MSG_VIEWER_GONE, 0, 0);
}

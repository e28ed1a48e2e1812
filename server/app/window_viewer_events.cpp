#include "app/window_viewer_events.h"

#include "app/server_messages.h"
#include "app/server_state.h"

void WindowViewerEvents::ViewerArrived(LPCWSTR label) {
    StoreViewerLabel(label);
    SendMessageW(g_mainWindow, MSG_VIEWER_CONNECTED, 0, 0);
}

void WindowViewerEvents::ViewerGone() {
    SendMessageW(g_mainWindow, MSG_VIEWER_GONE, 0, 0);
}

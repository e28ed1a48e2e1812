// The connection's viewer events as the control window's messages, sent and waited for: the
// label goes where the status line reads it, then MSG_VIEWER_CONNECTED; MSG_VIEWER_GONE.
#pragma once

#include "net/viewer_events.h"

class WindowViewerEvents : public ViewerEvents {
public:
    void ViewerArrived(LPCWSTR label) override;
    void ViewerGone() override;
};

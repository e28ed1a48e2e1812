// What the connection tells the control window about its viewer: one arrived, with the label the
// status line shows, or it is gone. The program turns them into the window's messages; tests
// record them. Each call returns only once the window has handled it.
#pragma once

#include <windows.h>

class ViewerEvents {
public:
    virtual ~ViewerEvents() = default;
    // On the accept thread, before the viewer's receive thread first runs. The label ("Client: "
    // and the viewer's dotted address) is valid during the call.
    virtual void ViewerArrived(LPCWSTR label) = 0;
    // On the viewer's receive thread as it ends, or on the thread whose send to the viewer
    // failed, which may be the window's own.
    virtual void ViewerGone() = 0;
};

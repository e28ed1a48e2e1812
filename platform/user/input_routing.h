// Input from the display driver, routed to the queue of the window it is for.
#pragma once

#include "winuser.h"

#include "drivers/display_driver.h"

namespace ce::user {

class Desktop;

// Pointer events go to the window with the capture, else to the deepest shown window at the
// point: a disabled child hands them to its parent, a disabled top-level window (the owner of a
// modal dialog) drops them, and so does a non-client area. They become WM_LBUTTONDOWN,
// WM_LBUTTONUP and WM_MOUSEMOVE with client coordinates. Keys go to the thread of the focus
// window, else the active one, as WM_KEYDOWN and WM_KEYUP. Runs on the driver's thread.
void RouteInput(Desktop& desktop, const drivers::InputEvent& event);

// Decides again, as the thread takes it, which window an input message is for: when that is now
// another window of the same thread (the focus moved, a capture was taken), the message is
// changed to go there. A target on another thread leaves the message as it was queued. False
// when the message is to be dropped: keys whose window is disabled by then.
bool RetargetInput(Desktop& desktop, DWORD threadId, const drivers::InputEvent& event,
                   MSG* message);

}  // namespace ce::user

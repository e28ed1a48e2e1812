#include "app/server_globals.h"

#include "app/device_input_actions.h"
#include "app/window_viewer_events.h"

namespace {

// Defined before the connection so that they outlive the connection's threads.
DeviceInputActions g_deviceInput;
WindowViewerEvents g_windowViewerEvents;

}  // namespace

ScreenCapture g_screenCapture;
CViewerConnection g_viewerConnection(g_deviceInput, g_windowViewerEvents,
                                     g_screenCapture.Display());

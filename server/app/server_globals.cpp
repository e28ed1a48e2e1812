#include "app/server_globals.h"

#include "net/device_input_actions.h"

namespace {

// Defined before the connection so that it outlives the connection's threads.
DeviceInputActions g_deviceInput;

}  // namespace

CViewerConnection g_viewerConnection(g_deviceInput);

// The program's one capture and one connection, constructed before WinMain runs and destroyed
// after it returns.
#pragma once

#include "capture/screen_capture.h"
#include "net/viewer_connection.h"

extern ScreenCapture g_screenCapture;
extern CViewerConnection g_viewerConnection;

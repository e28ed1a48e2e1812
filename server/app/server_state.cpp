#include "app/server_state.h"

HWND g_mainWindow = nullptr;
WCHAR g_viewerLabel[kViewerLabelCapacity] = {};
signed char g_orientationCode = 0;

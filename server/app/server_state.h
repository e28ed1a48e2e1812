// Values of the control window that the network threads and the capture use as well.
#pragma once

#include <windows.h>

// Target of every server window message. Set when the window is created, before any network
// thread exists.
extern HWND g_mainWindow;

constexpr int kViewerLabelCapacity = 64;
// "Client: " and the viewer's dotted address. The accept thread stores it before it sends
// MSG_VIEWER_CONNECTED; the window copies it whenever it shows the status. A later listening
// period's accept thread may store while the window still shows the status, so both go through
// the two calls below, which hold one lock.
extern WCHAR g_viewerLabel[kViewerLabelCapacity];
void StoreViewerLabel(LPCWSTR label);
void CopyViewerLabel(WCHAR (&copy)[kViewerLabelCapacity]);

// The display orientation as the last orientation query found it; the low bits of the screen
// mode byte.
extern signed char g_orientationCode;

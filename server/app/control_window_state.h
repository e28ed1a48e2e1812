// The control window's own module-wide state, used only on its thread.
#pragma once

#include <windows.h>

extern HWND g_startButton;
extern HWND g_stopButton;
extern HWND g_exitButton;
extern HWND g_addressLine;
extern HWND g_statusLine;
extern int g_started;
extern int g_connected;
extern COLORREF g_statusColour;
extern HBRUSH g_statusBrush;

// Tavrelin's control window: Start, Stop and Exit buttons, the address line and the status line.
// Its procedure is the hub of the server: buttons, screen rotation and the network threads'
// messages all arrive here.
#pragma once

#include <windows.h>

constexpr WCHAR kWindowClassName[] = TEXT("Quintaro");
constexpr int kIdStart = 1001;
constexpr int kIdStop = 1002;
constexpr int kIdExit = 1003;
constexpr int kIdAddressLine = 1004;
constexpr int kIdStatusLine = 1005;

// The instance the window and its string resource come from.
extern HINSTANCE g_instance;

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Moves the controls to their places and sets the address line.
void LayoutStep();
// Colours and texts the status line after the connected flag.
void StatusUpdate();
// Reads the display orientation into the orientation code; a failed query leaves it.
void OrientationQuery();

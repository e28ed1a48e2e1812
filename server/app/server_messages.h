// The messages the network threads send to the control window, always synchronously and with
// both parameters 0.
#pragma once

#include <windows.h>

constexpr UINT MSG_VIEWER_CONNECTED = 0x8002;  // a viewer was taken on; its label is filled
constexpr UINT MSG_VIEWER_GONE = 0x8003;       // no viewer any more (also the Start command's)
constexpr UINT MSG_SEND_UPDATE = 0x8004;       // capture and send the changed bands

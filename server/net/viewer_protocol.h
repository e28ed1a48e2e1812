// The numbers of the remote display protocol between Tavrelin and its viewer, over TCP: frames go
// out (a 10-byte header, then the update payload of band records), 12-byte input records come
// in. The viewer tool keeps its own definitions on purpose: it is a peer written from the
// description of the protocol, which is what makes it a check of this side.
#pragma once

#include <windows.h>

constexpr int kViewerPort = 23134;

// Frame header: the total frame length (header included) as "%10d", its first character
// replaced by the screen mode byte.
constexpr int kFrameHeaderSize = 10;

// Update payload: the screen's bottom-up RGB565 copy cut into this many equal byte ranges; each
// band that changed goes out as its index byte and its bytes.
constexpr int kBandCount = 40;

// Screen mode byte: the orientation code plus the flag of the screen's resolution. A size
// without a flag leaves the byte as it was, 0x30 before the first capture setup.
constexpr signed char kScreenModeBeforeSetup = 0x30;
struct ScreenResolutionFlag {
    int width;
    int height;
    int flag;
};
constexpr ScreenResolutionFlag kScreenResolutionFlags[] = {
    {240, 320, 0x00},
    {320, 240, 0x10},
    {272, 480, 0x20},
    {480, 272, 0x40},
};
// Orientation codes of the display at 0, 90 and 180 degrees, and at any other angle.
constexpr signed char kOrientationCode0 = 4;
constexpr signed char kOrientationCode90 = 0;
constexpr signed char kOrientationCode180 = 1;
constexpr signed char kOrientationCodeOther = 2;

// Input record: four marker bytes 0xFF, the event code (a window message number: the mouse
// messages inject input, WM_TIMER only asks for an update) and x and y, all little-endian.
constexpr int kInputRecordSize = 12;
constexpr unsigned char kRecordMarkerByte = 0xFF;
constexpr int kRecordMarkerSize = 4;
constexpr DWORD kUpdateRequestCode = WM_TIMER;

#include "app/screen_background.h"

void PaintScreenBackground(CDC& dc, HBITMAP background) {
    BITMAP info{};
    GetObjectW(background, sizeof info, &info);
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    HGDIOBJ previous = memory.SelectObject(background);
    dc.StretchBlt(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), &memory, 0, 0,
                  info.bmWidth, info.bmHeight, SRCCOPY);
    memory.SelectObject(previous);
    memory.DeleteDC();
}

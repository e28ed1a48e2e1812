#include "capture/screen_capture.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "app/server_globals.h"
#include "app/server_state.h"
#include "capture/band_encoder.h"
#include "capture/display_state.h"
#include "capture/screen_mode.h"

namespace {

HDC g_displayContext = nullptr;
HBITMAP g_captureSurface = nullptr;
BYTE* g_pixelMemory = nullptr;
HDC g_memoryContext = nullptr;
HGDIOBJ g_replacedBitmap = nullptr;
int g_frameSize = 0;
int g_bandSize = 0;
BYTE* g_previousFrame = nullptr;
BYTE* g_updateBuffer = nullptr;

// A BITMAPINFOHEADER and the three RGB565 masks, 52 bytes.
struct BitfieldsInfo {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

HBITMAP MakeCaptureSurface(int width, int height, int frameSize) {
    auto* info = static_cast<BitfieldsInfo*>(std::calloc(1, sizeof(BitfieldsInfo)));
    if (info == nullptr) {
        return nullptr;
    }
    info->header.biSize = sizeof(BITMAPINFOHEADER);
    info->header.biWidth = width;
    info->header.biHeight = height;  // positive: bottom-up rows
    info->header.biPlanes = 1;
    info->header.biBitCount = 16;
    info->header.biCompression = BI_BITFIELDS;
    info->header.biSizeImage = static_cast<DWORD>(frameSize);
    info->masks[0] = 0xF800;
    info->masks[1] = 0x07E0;
    info->masks[2] = 0x001F;
    void* bits = nullptr;
    HBITMAP surface = CreateDIBSection(g_displayContext, reinterpret_cast<BITMAPINFO*>(info),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
    std::free(info);
    g_pixelMemory = surface != nullptr ? static_cast<BYTE*>(bits) : nullptr;
    return surface;
}

}  // namespace

void CaptureSetup() {
    CaptureTeardown();
    g_displayContext = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
    const int width = GetDeviceCaps(g_displayContext, HORZRES);
    const int height = GetDeviceCaps(g_displayContext, VERTRES);
    g_screenWidth = width;
    g_screenHeight = height;
    g_screenMode = ScreenModeByte(width, height, g_orientationCode, g_screenMode.load());
    g_frameSize = FrameSize(width, height);
    g_bandSize = BandSize(g_frameSize);
    g_captureSurface = MakeCaptureSurface(width, height, g_frameSize);
    if (g_captureSurface == nullptr) {
        MessageBoxW(nullptr, TEXT("CreateDIBSection failed"), TEXT("Error"), MB_OK);
    }
    g_memoryContext = CreateCompatibleDC(g_displayContext);
    if (g_memoryContext != nullptr && g_captureSurface != nullptr) {
        g_replacedBitmap = SelectObject(g_memoryContext, g_captureSurface);
    }
    if (g_frameSize > 0) {
        g_previousFrame = static_cast<BYTE*>(std::malloc(static_cast<std::size_t>(g_frameSize)));
        g_updateBuffer = static_cast<BYTE*>(
            std::malloc(static_cast<std::size_t>(UpdateBufferSize(g_frameSize))));
    }
}

void CaptureTeardown() {
    if (g_displayContext != nullptr) {
        DeleteDC(g_displayContext);
        g_displayContext = nullptr;
    }
    if (g_memoryContext != nullptr) {
        // The surface goes back out of the context first, so that deleting it below frees it.
        if (g_replacedBitmap != nullptr) {
            SelectObject(g_memoryContext, g_replacedBitmap);
            g_replacedBitmap = nullptr;
        }
        DeleteDC(g_memoryContext);
        g_memoryContext = nullptr;
    }
    if (g_captureSurface != nullptr) {
        DeleteObject(g_captureSurface);
        g_captureSurface = nullptr;
        g_pixelMemory = nullptr;
    }
    std::free(g_previousFrame);
    g_previousFrame = nullptr;
    std::free(g_updateBuffer);
    g_updateBuffer = nullptr;
}

void UpdateStep() {
    if (g_pixelMemory == nullptr || g_memoryContext == nullptr || g_previousFrame == nullptr ||
        g_updateBuffer == nullptr) {
        return;
    }
    BitBlt(g_memoryContext, 0, 0, g_screenWidth, g_screenHeight, g_displayContext, 0, 0, SRCCOPY);
    const int length =
        EncodeChangedBands(g_pixelMemory, g_previousFrame, g_bandSize, g_updateBuffer);
    if (length > 0) {
        g_viewerConnection.SendFrame(g_updateBuffer, length);
    }
}

void ResetPreviousFrame() {
    if (g_previousFrame != nullptr) {
        std::memset(g_previousFrame, 0xFF, static_cast<std::size_t>(g_frameSize));
    }
}

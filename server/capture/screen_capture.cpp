#include "capture/screen_capture.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "capture/band_encoder.h"
#include "capture/screen_mode.h"

namespace {

// A BITMAPINFOHEADER and the three RGB565 masks, 52 bytes.
struct BitfieldsInfo {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

std::unique_ptr<BYTE[]> Allocate(int size) {
    return std::unique_ptr<BYTE[]>(new (std::nothrow) BYTE[static_cast<std::size_t>(size)]);
}

}  // namespace

ScreenCapture::~ScreenCapture() {
    Teardown();
}

HBITMAP ScreenCapture::MakeSurface(int width, int height) {
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
    info->header.biSizeImage = static_cast<DWORD>(m_frameSize);
    info->masks[0] = 0xF800;
    info->masks[1] = 0x07E0;
    info->masks[2] = 0x001F;
    void* bits = nullptr;
    HBITMAP surface = CreateDIBSection(m_displayContext, reinterpret_cast<BITMAPINFO*>(info),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
    std::free(info);
    m_pixels = surface != nullptr ? static_cast<BYTE*>(bits) : nullptr;
    return surface;
}

void ScreenCapture::Setup(signed char orientationCode) {
    Teardown();
    m_displayContext = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
    const int width = GetDeviceCaps(m_displayContext, HORZRES);
    const int height = GetDeviceCaps(m_displayContext, VERTRES);
    m_display.width = width;
    m_display.height = height;
    m_display.mode = ScreenModeByte(width, height, orientationCode, m_display.mode.load());
    m_frameSize = FrameSize(width, height);
    m_bandSize = BandSize(m_frameSize);
    m_surface = MakeSurface(width, height);
    if (m_surface == nullptr) {
        MessageBoxW(nullptr, TEXT("CreateDIBSection failed"), TEXT("Error"), MB_OK);
    }
    m_memoryContext = CreateCompatibleDC(m_displayContext);
    if (m_memoryContext != nullptr && m_surface != nullptr) {
        m_replacedBitmap = SelectObject(m_memoryContext, m_surface);
    }
    if (m_frameSize > 0) {
        m_previousFrame = Allocate(m_frameSize);
        m_updateBuffer = Allocate(UpdateBufferSize(m_frameSize));
    }
}

void ScreenCapture::Teardown() {
    if (m_displayContext != nullptr) {
        DeleteDC(m_displayContext);
        m_displayContext = nullptr;
    }
    if (m_memoryContext != nullptr) {
        // The surface goes back out of the context first, so that deleting it below frees it.
        if (m_replacedBitmap != nullptr) {
            SelectObject(m_memoryContext, m_replacedBitmap);
            m_replacedBitmap = nullptr;
        }
        DeleteDC(m_memoryContext);
        m_memoryContext = nullptr;
    }
    if (m_surface != nullptr) {
        DeleteObject(m_surface);
        m_surface = nullptr;
        m_pixels = nullptr;
    }
    m_previousFrame.reset();
    m_updateBuffer.reset();
}

std::span<const BYTE> ScreenCapture::Update() {
    if (m_pixels == nullptr || m_memoryContext == nullptr || !m_previousFrame || !m_updateBuffer) {
        return {};
    }
    BitBlt(m_memoryContext, 0, 0, m_display.width, m_display.height, m_displayContext, 0, 0,
           SRCCOPY);
    const int length =
        EncodeChangedBands(m_pixels, m_previousFrame.get(), m_bandSize, m_updateBuffer.get());
    return {m_updateBuffer.get(), static_cast<std::size_t>(length)};
}

void ScreenCapture::ResetPreviousFrame() {
    if (m_previousFrame) {
        std::memset(m_previousFrame.get(), 0xFF, static_cast<std::size_t>(m_frameSize));
    }
}

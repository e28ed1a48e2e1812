// The capture of the screen into a 16-bit bottom-up DIB section, and the update step that finds
// the bands that changed since they were last sent. One object holds the whole capture; it is
// used on the control window's thread only, apart from the display state it publishes.
#pragma once

#include <windows.h>

#include <memory>
#include <span>

#include "capture/display_state.h"

class ScreenCapture {
public:
    ScreenCapture() = default;
    ~ScreenCapture();
    ScreenCapture(const ScreenCapture&) = delete;
    ScreenCapture& operator=(const ScreenCapture&) = delete;

    // Builds the capture for the screen as it is now (display context, surface, buffers) and
    // sets the screen size and, from the display's orientation code, the mode byte. A surface
    // that cannot be made is reported in a message box; the program goes on without updates.
    void Setup(signed char orientationCode);
    // Releases whatever of the capture exists; safe to call at any time, twice in a row too.
    void Teardown();
    // Copies the screen and returns the update payload of the bands that changed since they were
    // last sent, which count as sent from now on; empty when none changed or nothing is set up.
    // The payload stays valid until the next call.
    std::span<const BYTE> Update();
    // Makes the next update carry every band that is not wholly 0xFF bytes.
    void ResetPreviousFrame();

    const DisplayState& Display() const { return m_display; }

private:
    HBITMAP MakeSurface(int width, int height);

    DisplayState m_display;
    HDC m_displayContext = nullptr;
    HBITMAP m_surface = nullptr;
    BYTE* m_pixels = nullptr;  // the surface's pixel memory
    HDC m_memoryContext = nullptr;
    HGDIOBJ m_replacedBitmap = nullptr;
    int m_frameSize = 0;
    int m_bandSize = 0;
    std::unique_ptr<BYTE[]> m_previousFrame;
    std::unique_ptr<BYTE[]> m_updateBuffer;
};

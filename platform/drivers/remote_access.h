// What a remote display server asks of a display beyond drawing on it: the whole screen as it is
// shown and pointer input as if the user made it (ScreenAccess), and other programs' top-level
// windows (ForeignWindowAccess). A display driver offers both when it can
// (DisplayDriver::Remote); the kernel offers the screen and the pointer under any display but
// knows no windows (remote_factory.h). Without a screen access a blit from the "DISPLAY" context
// fails and mouse_event does nothing; without foreign windows FindWindowW finds only the
// program's own windows.
#pragma once

#include <cstdint>

#include "windef.h"

#include "gdi/surface.h"

namespace ce::drivers {

enum class MouseButton { kLeft, kRight };

// A top-level window of another program on the same display, by the display's own name for it.
using ForeignWindowId = std::uint64_t;

class ScreenAccess {
public:
    virtual ~ScreenAccess() = default;

    // Copies the part of the screen rectangle (screen coordinates) that lies on the screen, as
    // the screen shows it, into the destination with its top-left corner at `at`, clipped to the
    // destination (which may be bottom-up). False when the screen cannot be read.
    virtual bool ReadScreen(const RECT& screenRect, gdi::Surface& destination, POINT at) = 0;
    // Synthesised pointer input as if the user made it; positions are screen pixels on the
    // screen. Buttons act at the pointer's current position.
    virtual POINT PointerPosition() const = 0;
    virtual void InjectPointerMove(POINT screen) = 0;
    virtual void InjectButton(MouseButton button, bool down) = 0;
};

class ForeignWindowAccess {
public:
    virtual ~ForeignWindowAccess() = default;

    // A top-level window of another program whose class and title match (null: any), or 0.
    virtual ForeignWindowId FindForeignWindow(const char16_t* className, const char16_t* title) = 0;
    // Brings that window to the top of the stacking order; false when it is gone.
    virtual bool RaiseForeignWindow(ForeignWindowId window) = 0;
};

// Both, from a display driver that shares its display with other programs.
class RemoteAccess : public ScreenAccess, public ForeignWindowAccess {};

}  // namespace ce::drivers

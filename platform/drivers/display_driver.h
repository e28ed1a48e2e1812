// The display a program draws on: the interface between the window system and a screen.
//
// The window system renders each top-level window (with its children) into a surface of its own
// and tells the driver where the window is, how the windows are stacked and which parts of a
// surface changed. The driver shows them: `headless` composites them into an in-memory screen,
// `x11` gives each a real override-redirect X window. Input comes back through the sink, on the
// driver's own thread.
//
// A new driver (a Wayland compositor, a bare framebuffer) starts with this interface alone. What a
// remote display server needs beyond it (reading the screen, injecting input, other programs'
// windows) is a second interface, RemoteAccess, that a driver adds when it can.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "windef.h"

#include "gdi/surface.h"

namespace ce::drivers {

class RemoteAccess;

// The window system's name for a top-level window (its HWND value).
using WindowId = std::uintptr_t;

struct InputEvent {
    enum class Kind { kPointerDown, kPointerUp, kPointerMove, kKeyDown, kKeyUp };
    Kind kind = Kind::kPointerMove;
    // The top-level window the driver saw the event in, or 0 when it cannot tell (then the window
    // system finds it from the screen position).
    WindowId window = 0;
    POINT screen{};          // pointer events: screen coordinates
    UINT virtualKey = 0;     // key events: VK_ code
    char16_t character = 0;  // key down: the character the key types, 0 for none
};

class InputSink {
public:
    virtual ~InputSink() = default;
    // Called on the driver's input thread.
    virtual void OnInput(const InputEvent& event) = 0;
    // The screen was rotated or changed size.
    virtual void OnScreenChanged() = 0;
};

enum class CursorShape { kNone, kArrow, kWait };

// How the screen is turned from its natural orientation, counter-clockwise.
enum class DisplayRotation { k0, k90, k180, k270 };

struct TopLevelWindow {
    WindowId id = 0;
    RECT rect{};  // screen coordinates
    bool visible = false;
    std::u16string className;
    std::u16string title;
};

class DisplayDriver {
public:
    virtual ~DisplayDriver() = default;

    virtual const char* Name() const = 0;
    virtual SIZE ScreenSize() const = 0;
    // Input starts flowing to the sink; the sink outlives the driver's use of it (until Stop).
    virtual void Start(InputSink& sink) = 0;
    virtual void Stop() = 0;

    // A top-level window appeared or changed its place, size, visibility or texts. The surface
    // holds its pixels (window coordinates, same size as the rectangle) and stays valid until the
    // next call for the same window or RemoveWindow.
    virtual void UpdateWindow(const TopLevelWindow& window,
                              std::shared_ptr<const gdi::Surface> surface) = 0;
    virtual void RemoveWindow(WindowId id) = 0;
    // Stacking of the visible top-level windows, top first.
    virtual void Restack(std::span<const WindowId> topFirst) = 0;
    // Part of a window's surface changed (window coordinates); show it.
    virtual void Present(WindowId id, const RECT& changed) = 0;
    // Keyboard input goes to this top-level window (no window manager does it for us).
    virtual void Activate(WindowId id) = 0;
    virtual void SetCursor(CursorShape shape) = 0;
    // What the display settings report as the orientation; a screen that cannot turn is k0.
    virtual DisplayRotation ScreenRotation() const = 0;

    // Remote access to this display, or null when the driver does not offer it. It lives as long
    // as the driver.
    virtual RemoteAccess* Remote() { return nullptr; }
};

}  // namespace ce::drivers

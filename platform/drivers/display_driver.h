// The one interface between the window system and a screen.
//
// The window system renders each top-level window (with its children) into a surface of its own
// and tells the driver where the window is, how the windows are stacked and which parts of a
// surface changed. The driver shows them: `headless` composites them into an in-memory screen,
// `x11` gives each a real override-redirect X window. Input comes back through the sink, on the
// driver's own thread. Display output and input are separate concerns of the same object; screen
// capture, input injection and the orientation serve the remote display server.
//
// Which driver: CE_DISPLAY=x11|headless; without it x11 when DISPLAY names a reachable display,
// else headless. CE_SCREEN=WxH sets the headless screen (default 272x480).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "windef.h"

#include "gdi/surface.h"

namespace ce::drivers {

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

struct TopLevelWindow;

class InputSink {
public:
    virtual ~InputSink() = default;
    // Called on the driver's input thread.
    virtual void OnInput(const InputEvent& event) = 0;
    // The screen was rotated or changed size.
    virtual void OnScreenChanged() = 0;
    // The descendants of a top-level window, parents before their children, each with its
    // class, text and screen rectangle (in the fields of TopLevelWindow): what a test of a whole
    // program reads to know what the program shows.
    virtual std::vector<TopLevelWindow> DescribeChildren(WindowId window);
};

enum class CursorShape { kNone, kArrow, kWait };

// How the screen is turned from its natural orientation, counter-clockwise.
enum class DisplayRotation { k0, k90, k180, k270 };

enum class MouseButton { kLeft, kRight };

// A top-level window of another program on the same display, by the display's own name for it.
using ForeignWindowId = std::uint64_t;

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

    // ---- for the remote display server ----
    virtual DisplayRotation ScreenRotation() const = 0;
    // Copies the part of the screen rectangle (screen coordinates) that lies on the screen, as
    // the screen shows it, into the destination with its top-left corner at `at`, clipped to the
    // destination (which may be bottom-up). False when the screen cannot be read.
    virtual bool ReadScreen(const RECT& screenRect, gdi::Surface& destination, POINT at) = 0;
    // Synthesised pointer input as if the user made it; positions are screen pixels on the
    // screen. Buttons act at the pointer's current position.
    virtual POINT PointerPosition() const = 0;
    virtual void InjectPointerMove(POINT screen) = 0;
    virtual void InjectButton(MouseButton button, bool down) = 0;
    // A top-level window of another program whose class and title match (null: any), or 0.
    virtual ForeignWindowId FindForeignWindow(const char16_t* className, const char16_t* title) = 0;
    // Brings that window to the top of the stacking order; false when it is gone.
    virtual bool RaiseForeignWindow(ForeignWindowId window) = 0;
};

// The driver chosen by the environment, or null when the chosen one cannot start (with the
// reason in *error).
std::unique_ptr<DisplayDriver> CreateDisplayDriver(std::string* error);

}  // namespace ce::drivers

// The screen of a driver that has no window server to show windows for it: the top-level windows'
// pixels composited in stacking order over black into one RGB565 surface. The headless driver
// keeps it as its screen; the kms driver copies what changed from it to the display.
//
// Not thread-safe: the driver that owns it holds its own lock around every call.
#pragma once

#include <map>
#include <memory>
#include <span>
#include <vector>

#include "drivers/display_driver.h"
#include "gdi/surface.h"

namespace ce::drivers {

class WindowCompositor {
public:
    explicit WindowCompositor(SIZE screenSize);
    WindowCompositor(const WindowCompositor&) = delete;
    WindowCompositor& operator=(const WindowCompositor&) = delete;

    const gdi::Surface& Screen() const { return *m_screen; }
    SIZE ScreenSize() const { return SIZE{m_screen->Width(), m_screen->Height()}; }

    // Each of these returns the part of the screen it redrew (screen coordinates): what a
    // display must show anew. Empty when nothing on the screen changed.
    //
    // A new, black screen of that size with every window composited anew.
    RECT Resize(SIZE screenSize);
    // As DisplayDriver::UpdateWindow: the window's pixels are copied at once.
    RECT UpdateWindow(const TopLevelWindow& window, std::shared_ptr<const gdi::Surface> surface);
    RECT RemoveWindow(WindowId id);
    RECT Restack(std::span<const WindowId> topFirst);
    // Copies the changed part (window coordinates) of the window's surface.
    RECT Present(WindowId id, const RECT& changed);

    // Visible top-level windows, top first.
    std::vector<TopLevelWindow> VisibleWindows() const;

private:
    struct Shown {
        TopLevelWindow m_window;
        std::shared_ptr<const gdi::Surface> m_source;
        // What was last presented: the screen is composited from these, never from a surface a
        // window may be drawing into on another thread.
        std::unique_ptr<gdi::Surface> m_pixels;
    };

    // Redraws part of the screen (screen coordinates) from the shown windows; returns that part
    // clipped to the screen.
    RECT Compose(const RECT& area);
    std::vector<const Shown*> BottomFirst() const;

    std::unique_ptr<gdi::Surface> m_screen;
    std::map<WindowId, Shown> m_windows;
    std::vector<WindowId> m_stacking;
};

}  // namespace ce::drivers

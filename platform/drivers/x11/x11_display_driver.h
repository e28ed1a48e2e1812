// The x11 driver: each top-level window is an override-redirect X window (no window manager runs
// on a device display) whose pixels the driver converts from the window's surface.
//
// Connections and threads. Requests go out on one connection from whichever thread calls the
// driver (window threads, the input thread repainting after Expose, later the remote display
// server), under m_mutex, which also guards the window records and keeps sequences of requests
// whole (an error trap and its XSync, reuse of a shared memory image). Events come in on a second
// connection that only the input thread reads, blocking in poll() beside a wake pipe. Keeping the
// two apart means a request's error is read by the thread that waits for it (the error trap relies
// on that), and no thread waiting for a reply pulls events off the socket behind poll()'s back.
// The one exception: event masks are per client, so the thread that creates a window selects
// input on it through the events connection (safe under Xlib's own locking, from XInitThreads)
// and then wakes the input thread to look at Xlib's queue. Expose is handled on the input thread,
// so windows are repainted between Start and Stop. Screen capture has a third connection of its
// own (x11_screen_capture.h), made on first use.
#pragma once

#include "drivers/x11/x11_xlib.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "drivers/display_driver.h"
#include "drivers/remote_access.h"
#include "drivers/x11/x11_connection.h"
#include "drivers/x11/x11_cursors.h"
#include "drivers/x11/x11_event_thread.h"
#include "drivers/x11/x11_pixel_format.h"
#include "drivers/x11/x11_randr.h"
#include "drivers/x11/x11_screen_capture.h"
#include "drivers/x11/x11_window_image.h"
#include "drivers/x11/x11_window_texts.h"
#include "drivers/x11/x11_xtest.h"

namespace ce::drivers::x11 {

class X11Driver final : public DisplayDriver, public RemoteAccess {
public:
    // Null with the reason in *error when the driver cannot work on these connections.
    static std::unique_ptr<X11Driver> Create(DisplayPtr requests, DisplayPtr events,
                                             PixelLayout layout, std::string* error);
    X11Driver(const X11Driver&) = delete;
    X11Driver& operator=(const X11Driver&) = delete;
    ~X11Driver() override;

    const char* Name() const override { return "x11"; }
    SIZE ScreenSize() const override;
    void Start(InputSink& sink) override;
    void Stop() override;

    void UpdateWindow(const TopLevelWindow& window,
                      std::shared_ptr<const gdi::Surface> surface) override;
    void RemoveWindow(WindowId id) override;
    void Restack(std::span<const WindowId> topFirst) override;
    void Present(WindowId id, const RECT& changed) override;
    void Activate(WindowId id) override;
    void SetCursor(CursorShape shape) override;
    DisplayRotation ScreenRotation() const override;
    RemoteAccess* Remote() override { return this; }

    bool ReadScreen(const RECT& screenRect, gdi::Surface& destination, POINT at) override;
    POINT PointerPosition() const override;
    void InjectPointerMove(POINT screen) override;
    void InjectButton(MouseButton button, bool down) override;
    // Windows of this driver are never foreign, even those of another desktop of the process.
    ForeignWindowId FindForeignWindow(const char16_t* className, const char16_t* title) override;
    bool RaiseForeignWindow(ForeignWindowId window) override;

private:
    struct XWindowRecord {
        Window xid = 0;
        RECT rect{};
        bool mapped = false;
        // Mapped on top and not activated since: the next activation needs no raise.
        bool raisedAtMap = false;
        std::u16string className;
        std::u16string title;
        std::shared_ptr<const gdi::Surface> surface;
        // The pixels last presented, in the visual's format; Expose repaints from here, so the
        // input thread never reads a surface that a window thread may be drawing.
        std::unique_ptr<WindowImage> image;
    };

    X11Driver(DisplayPtr requests, DisplayPtr events, PixelLayout layout);

    Window CreateXWindow(const RECT& rect);
    void HandleEvent(XEvent& event);
    void Repaint(const XExposeEvent& expose);
    WindowId WindowIdOf(Window xid);
    void StoreScreenSize(SIZE size);

    DisplayPtr m_requests;
    DisplayPtr m_events;
    const PixelLayout m_layout;
    Cursors m_cursors;
    WindowTexts m_texts;
    ScreenChanges m_screenChanges;
    GC m_gc;
    std::atomic<std::uint64_t> m_screenSize{0};
    std::atomic<DisplayRotation> m_rotation{DisplayRotation::k0};
    InputSink* m_sink = nullptr;

    // Guards the requests connection and what goes with it.
    mutable std::mutex m_mutex;
    FakePointer m_pointer;
    std::map<WindowId, XWindowRecord> m_windows;
    CursorShape m_cursorShape = CursorShape::kArrow;
    bool m_useShm = false;

    std::mutex m_captureMutex;
    std::unique_ptr<ScreenCapture> m_capture;
    bool m_captureTried = false;

    EventThread m_eventThread;
};

}  // namespace ce::drivers::x11

// The headless display driver: an in-memory RGB565 screen, composited from the top-level
// windows' pixels in stacking order over black (window_compositor.h). The basis of most tests:
// deterministic, no display needed. Everything here may be called from any thread.
//
// It offers remote access: the screen can be read, and injected pointer input goes to this
// process's windows. Besides the interfaces it offers what tests need: a copy of the screen, the
// visible windows, and input injected as if a user made it. With a control path, a control socket
// (control_server.h) offers the same to tests of whole programs, and describes a window's
// children when the window system it serves answers WindowDescriber.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/display_driver.h"
#include "drivers/remote_access.h"
#include "drivers/window_compositor.h"
#include "drivers/window_describer.h"

namespace ce::drivers {

class ControlServer;

struct HeadlessOptions {
    SIZE screen{272, 480};
    // The UNIX socket path of the control socket; none when empty.
    std::string controlPath;
};

// "WxH" with positive numbers; nothing for anything else.
std::optional<SIZE> ParseScreenSize(std::string_view text);
// CE_SCREEN (a bad value is reported on stderr and the default kept) and CE_HEADLESS_CONTROL.
HeadlessOptions HeadlessOptionsFromEnvironment();

class HeadlessDriver final : public DisplayDriver, public RemoteAccess {
public:
    // Null with the reason in *error when the control socket cannot be opened.
    static std::unique_ptr<HeadlessDriver> Create(const HeadlessOptions& options,
                                                  std::string* error);
    ~HeadlessDriver() override;
    HeadlessDriver(const HeadlessDriver&) = delete;
    HeadlessDriver& operator=(const HeadlessDriver&) = delete;

    const char* Name() const override { return "headless"; }
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
    // Pointer input goes to this process's windows through the sink, as the control socket's
    // does. The window system has no right button: right-button input is dropped.
    POINT PointerPosition() const override;
    void InjectPointerMove(POINT screen) override;
    void InjectButton(MouseButton button, bool down) override;
    // There are no other programs on a headless screen.
    ForeignWindowId FindForeignWindow(const char16_t*, const char16_t*) override { return 0; }
    bool RaiseForeignWindow(ForeignWindowId) override { return false; }

    // Gives the screen a new size and rotation, as a rotated or resized display would: the
    // screen is composited anew and the sink told. False for an empty size.
    bool ChangeScreen(SIZE size, DisplayRotation rotation);

    // ---- for tests and the control socket ----
    std::unique_ptr<gdi::Surface> CopyScreen() const;
    gdi::Pixel PixelAt(int x, int y) const;
    // Visible top-level windows, top first.
    std::vector<TopLevelWindow> VisibleWindows() const;
    // The descendants of a top-level window as the window system describes them; none when it
    // does not offer WindowDescriber.
    std::vector<TopLevelWindow> ChildWindows(WindowId window);
    WindowId ActiveWindow() const;
    CursorShape Cursor() const;
    // Hands the event to the sink on the calling thread; false when no sink is there (before
    // Start, after Stop).
    bool Inject(const InputEvent& event);

private:
    explicit HeadlessDriver(SIZE screenSize);

    mutable std::mutex m_mutex;
    WindowCompositor m_compositor;
    DisplayRotation m_rotation = DisplayRotation::k0;
    POINT m_pointer{};
    WindowId m_active = 0;
    CursorShape m_cursor = CursorShape::kArrow;

    std::mutex m_sinkMutex;
    InputSink* m_sink = nullptr;
    WindowDescriber* m_describer = nullptr;

    std::unique_ptr<ControlServer> m_control;
};

}  // namespace ce::drivers

// The kms driver itself. One thread of its own shows the composited screen, waits for the page
// flips, reads the input devices and follows the seat; the window system's calls only composite
// and tell that thread what changed.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "drivers/display_driver.h"
#include "drivers/kms/kms_console.h"
#include "drivers/kms/kms_device.h"
#include "drivers/kms/kms_input.h"
#include "drivers/kms/kms_scanout.h"
#include "drivers/kms/kms_seat.h"
#include "drivers/window_compositor.h"
#include "kernel/unique_fd.h"

namespace ce::drivers::kms {

class KmsDriver final : public DisplayDriver {
public:
    static std::unique_ptr<KmsDriver> Create(std::string* error);
    ~KmsDriver() override;
    KmsDriver(const KmsDriver&) = delete;
    KmsDriver& operator=(const KmsDriver&) = delete;

    const char* Name() const override { return "kms"; }
    SIZE ScreenSize() const override;
    void Start(InputSink& sink) override;
    void Stop() override;
    void UpdateWindow(const TopLevelWindow& window,
                      std::shared_ptr<const gdi::Surface> surface) override;
    void RemoveWindow(WindowId id) override;
    void Restack(std::span<const WindowId> topFirst) override;
    void Present(WindowId id, const RECT& changed) override;
    // The window system keeps the focus itself; there is no window manager to tell.
    void Activate(WindowId) override {}
    // The device is worked by touch: no cursor is drawn, whatever its shape.
    void SetCursor(CursorShape) override {}
    // The output is shown in its own orientation.
    DisplayRotation ScreenRotation() const override { return DisplayRotation::k0; }
    // Remote access to a kms display comes from the kernel's scanout and input, not from here.
    RemoteAccess* Remote() override { return nullptr; }

private:
    KmsDriver() = default;
    bool Open(std::string* error);
    // The screen changed there; called with m_mutex held.
    void Changed(const RECT& area);
    void Wake();
    void Run();
    void Deliver(const InputEvent& event);
    void SeatDisabled();
    void SeatEnabled();

    // Declared in the order they are opened; they go in the reverse order.
    std::unique_ptr<KmsSeat> m_seat;
    std::unique_ptr<KmsDevice> m_device;
    std::unique_ptr<KmsConsole> m_console;
    std::unique_ptr<KmsScanout> m_scanout;
    std::unique_ptr<KmsInput> m_input;

    mutable std::mutex m_mutex;
    std::unique_ptr<WindowCompositor> m_compositor;
    // What changed since the thread last looked.
    RECT m_changed{};

    std::mutex m_sinkMutex;
    InputSink* m_sink = nullptr;

    kernel::UniqueFd m_wake;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

}  // namespace ce::drivers::kms

// The desktop: all window-system state of the process in one object.
//
// Every API function takes the current desktop for the length of its call. Tests install a fresh
// one per test with DesktopScope; otherwise the first call creates it. Windows and queues refer to
// their desktop weakly, so a replaced desktop dies with its last user and takes its windows along.
//
// The desktop also owns the display driver (so a fresh desktop means a fresh screen) and is its
// input sink: pointer and key events from the driver's thread are routed to the queue of the
// window they belong to. It describes its windows to a driver's control path for tests. It holds
// the remote access the program reads the screen and injects the pointer through: the driver's
// own, or the kernel's as CE_REMOTE says (drivers/remote_factory.h).
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "windef.h"

#include "drivers/display_driver.h"
#include "drivers/remote_access.h"
#include "drivers/window_describer.h"
#include "user/input_state.h"
#include "user/window_class.h"
#include "user/window_table.h"

namespace ce::user {

class MessageQueue;

class Desktop : public std::enable_shared_from_this<Desktop>,
                public drivers::InputSink,
                public drivers::WindowDescriber {
public:
    using DriverFactory = std::function<std::unique_ptr<drivers::DisplayDriver>()>;

    // The driver comes from the factory, which must give one, when it is first needed. Without a
    // factory it comes from the environment (CreateDisplayDriver), and a program whose chosen
    // driver cannot start ends there with the reason on stderr and exit code 1.
    static std::shared_ptr<Desktop> Create(DriverFactory driverFactory = {});

    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    ~Desktop() override;

    WindowTable& Windows() { return m_windows; }
    ClassRegistry& Classes() { return m_classes; }
    InputState& Input() { return m_input; }

    // The display driver, created and started on first use. Never called under the window
    // table's lock: the driver calls back into the desktop from its own thread.
    drivers::DisplayDriver& Driver();
    // Reading the screen and injecting the pointer. A desktop from the environment takes the
    // kernel's when CE_REMOTE=kernel (opened with the driver), else the driver's own, else the
    // kernel's, opened here at the first call; a program whose kernel remote access cannot start
    // ends here with the reason on stderr and exit code 1. A desktop with a given driver has the
    // driver's own only. Null when there is none.
    drivers::ScreenAccess* RemoteScreen();
    // Other programs' windows: the driver's own remote access only, as the kernel knows none.
    drivers::ForeignWindowAccess* ForeignWindows();
    // Tells the driver the stacking of the shown top-level windows (top first) when it differs
    // from what it was told last.
    void ReportStacking(const std::vector<HWND>& topFirst);

    void OnInput(const drivers::InputEvent& event) override;
    void OnScreenChanged() override;
    std::vector<drivers::TopLevelWindow> DescribeChildren(drivers::WindowId window) override;

    // The queue of a thread, or null when the thread has none (it has not called anything that
    // needs one, or it has ended).
    std::shared_ptr<MessageQueue> QueueOf(DWORD threadId) const;
    // The calling thread's queue, created on first use; the queue ends with the thread.
    std::shared_ptr<MessageQueue> CurrentQueue();
    // Forgets a queue whose thread has ended.
    void ForgetQueue(const MessageQueue& queue);

private:
    Desktop(DriverFactory driverFactory, bool fromEnvironment)
        : m_driverFactory(std::move(driverFactory)), m_fromEnvironment(fromEnvironment) {}
    void OpenKernelScreenLocked(const std::string& context);

    WindowTable m_windows;
    ClassRegistry m_classes;
    InputState m_input;

    std::mutex m_driverMutex;
    DriverFactory m_driverFactory;
    std::unique_ptr<drivers::DisplayDriver> m_driver;
    const bool m_fromEnvironment;
    // After the driver, whose screen size it asks, so that it goes first.
    std::unique_ptr<drivers::ScreenAccess> m_kernelScreen;
    std::mutex m_stackingMutex;
    std::vector<HWND> m_reportedStacking;

    mutable std::mutex m_queuesMutex;
    std::unordered_map<DWORD, std::shared_ptr<MessageQueue>> m_queues;
};

// The desktop API calls work on, created on first use.
std::shared_ptr<Desktop> CurrentDesktop();
// Installs a desktop as current and returns the one it replaces (null before first use).
std::shared_ptr<Desktop> ReplaceCurrentDesktop(std::shared_ptr<Desktop> desktop);

// A fresh desktop for the length of a scope (a test), then the previous one again. Its screen is
// a headless one of 272x480 unless a driver is given.
class DesktopScope {
public:
    DesktopScope();
    explicit DesktopScope(std::unique_ptr<drivers::DisplayDriver> driver);
    ~DesktopScope();
    DesktopScope(const DesktopScope&) = delete;
    DesktopScope& operator=(const DesktopScope&) = delete;

    Desktop& Get() const { return *m_desktop; }

private:
    std::shared_ptr<Desktop> m_desktop;
    std::shared_ptr<Desktop> m_previous;
};

}  // namespace ce::user

#include "user/desktop.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "winbase.h"

#include "drivers/driver_factory.h"
#include "drivers/remote_factory.h"
#include "user/input_routing.h"
#include "user/message_queue.h"
#include "user/system_classes.h"
#include "user/thread_end.h"

namespace ce::user {

namespace {

std::mutex g_currentMutex;
std::shared_ptr<Desktop> g_current;

// The notice of a rotated or resized screen (SETTINGCHANGE_RESET).
constexpr WPARAM kSettingChangeReset = 0x3002;

[[noreturn]] void EndProgram(const std::string& reason) {
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, reason.c_str());
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

// A program told to use a display it cannot have has nothing to show on: it ends, at its first
// use of the screen, before it has shown anything.
std::unique_ptr<drivers::DisplayDriver> DriverFromEnvironment() {
    std::string error;
    auto driver = drivers::CreateDisplayDriver(&error);
    if (!driver) {
        EndProgram(error);
    }
    return driver;
}

}  // namespace

std::shared_ptr<Desktop> Desktop::Create(DriverFactory driverFactory) {
    const bool fromEnvironment = !driverFactory;
    if (fromEnvironment) {
        driverFactory = &DriverFromEnvironment;
    }
    std::shared_ptr<Desktop> desktop(new Desktop(std::move(driverFactory), fromEnvironment));
    RegisterSystemClasses(desktop->Classes());
    return desktop;
}

Desktop::~Desktop() {
    // The driver's input thread calls into the desktop until Stop returns.
    if (m_driver) {
        m_driver->Stop();
    }
}

drivers::DisplayDriver& Desktop::Driver() {
    std::lock_guard lock(m_driverMutex);
    if (!m_driver) {
        m_driver = m_driverFactory();
        m_driver->Start(*this);
        // A remote access asked for and not there ends the program as early as a display would.
        if (m_fromEnvironment) {
            std::string error;
            const auto choice = drivers::RemoteChoiceFromEnvironment(&error);
            if (!choice) {
                EndProgram(error);
            }
            if (*choice == drivers::RemoteChoice::kKernel) {
                OpenKernelScreenLocked("CE_REMOTE=kernel: ");
            }
        }
    }
    return *m_driver;
}

drivers::ScreenAccess* Desktop::RemoteScreen() {
    drivers::DisplayDriver& driver = Driver();
    std::lock_guard lock(m_driverMutex);
    if (m_kernelScreen) {
        return m_kernelScreen.get();
    }
    if (drivers::RemoteAccess* own = driver.Remote()) {
        return own;
    }
    if (!m_fromEnvironment) {
        return nullptr;
    }
    // Only now: a program that never reads the screen (BrevantaClient) never needs the devices.
    OpenKernelScreenLocked(std::string("the ") + driver.Name() +
                           " display driver has no remote access, and the kernel's: ");
    return m_kernelScreen.get();
}

drivers::ForeignWindowAccess* Desktop::ForeignWindows() {
    return Driver().Remote();
}

void Desktop::OpenKernelScreenLocked(const std::string& context) {
    std::string error;
    drivers::DisplayDriver* driver = m_driver.get();
    m_kernelScreen =
        drivers::CreateKernelScreenAccess([driver] { return driver->ScreenSize(); }, &error);
    if (!m_kernelScreen) {
        EndProgram(context + error);
    }
}

void Desktop::ReportStacking(const std::vector<HWND>& topFirst) {
    // Held while the driver is told, so that reports from two threads arrive in order.
    std::lock_guard lock(m_stackingMutex);
    if (m_reportedStacking == topFirst) {
        return;
    }
    std::vector<drivers::WindowId> ids;
    ids.reserve(topFirst.size());
    for (HWND window : topFirst) {
        ids.push_back(reinterpret_cast<drivers::WindowId>(window));
    }
    Driver().Restack(ids);
    m_reportedStacking = topFirst;
}

void Desktop::OnInput(const drivers::InputEvent& event) {
    RouteInput(*this, event);
}

std::vector<drivers::TopLevelWindow> Desktop::DescribeChildren(drivers::WindowId window) {
    std::vector<drivers::TopLevelWindow> described;
    std::vector<HWND> pending = m_windows.ChildrenOf(reinterpret_cast<HWND>(window));
    for (std::size_t next = 0; next < pending.size(); ++next) {
        const HWND child = pending[next];
        drivers::TopLevelWindow entry;
        const bool found = m_windows.With(child, [&](const Window& record) {
            entry.className = record.m_class->m_name;
            entry.title = record.m_text;
        });
        if (!found) {
            continue;
        }
        entry.id = reinterpret_cast<drivers::WindowId>(child);
        entry.visible = IsWindowVisible(child) != FALSE;
        GetWindowRect(child, &entry.rect);
        described.push_back(std::move(entry));
        const std::vector<HWND> grandchildren = m_windows.ChildrenOf(child);
        pending.insert(pending.end(), grandchildren.begin(), grandchildren.end());
    }
    return described;
}

void Desktop::OnScreenChanged() {
    for (HWND window : m_windows.TopLevel()) {
        if (auto record = m_windows.Find(window)) {
            MSG notice{};
            notice.hwnd = window;
            notice.message = WM_SETTINGCHANGE;
            notice.wParam = kSettingChangeReset;
            notice.time = GetTickCount();
            record->m_queue->Post(notice);
        }
    }
}

std::shared_ptr<MessageQueue> Desktop::QueueOf(DWORD threadId) const {
    std::lock_guard lock(m_queuesMutex);
    auto found = m_queues.find(threadId);
    return found == m_queues.end() ? nullptr : found->second;
}

std::shared_ptr<MessageQueue> Desktop::CurrentQueue() {
    const DWORD threadId = GetCurrentThreadId();
    std::shared_ptr<MessageQueue> queue;
    {
        std::lock_guard lock(m_queuesMutex);
        auto& slot = m_queues[threadId];
        if (slot) {
            return slot;
        }
        try {
            slot = std::make_shared<MessageQueue>(threadId, weak_from_this());
        } catch (...) {
            m_queues.erase(threadId);
            throw;
        }
        queue = slot;
    }
    EndWithCurrentThread(queue);
    return queue;
}

void Desktop::ForgetQueue(const MessageQueue& queue) {
    std::lock_guard lock(m_queuesMutex);
    auto found = m_queues.find(queue.ThreadId());
    if (found != m_queues.end() && found->second.get() == &queue) {
        m_queues.erase(found);
    }
}

std::shared_ptr<Desktop> CurrentDesktop() {
    std::lock_guard lock(g_currentMutex);
    if (!g_current) {
        g_current = Desktop::Create();
    }
    return g_current;
}

std::shared_ptr<Desktop> ReplaceCurrentDesktop(std::shared_ptr<Desktop> desktop) {
    std::lock_guard lock(g_currentMutex);
    return std::exchange(g_current, std::move(desktop));
}

DesktopScope::DesktopScope() : DesktopScope(drivers::CreatePlainHeadlessDriver()) {}

DesktopScope::DesktopScope(std::unique_ptr<drivers::DisplayDriver> driver) {
    auto held = std::make_shared<std::unique_ptr<drivers::DisplayDriver>>(std::move(driver));
    m_desktop = Desktop::Create([held] { return std::move(*held); });
    m_previous = ReplaceCurrentDesktop(m_desktop);
}

DesktopScope::~DesktopScope() {
    ReplaceCurrentDesktop(std::move(m_previous));
}

}  // namespace ce::user

// The desktop: all window-system state of the process in one object.
//
// Every API function takes the current desktop for the length of its call. Tests install a fresh
// one per test with DesktopScope; otherwise the first call creates it. Windows and queues refer to
// their desktop weakly, so a replaced desktop dies with its last user and takes its windows along.
//
// The desktop grows with the window system: the display driver, the top-level Z order, the focus,
// active and capture windows and the paint bookkeeping become members here, beside the tables
// below, so that a fresh desktop also means a fresh screen.
#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>

#include "windef.h"

#include "user/window_class.h"
#include "user/window_table.h"

namespace ce::user {

class MessageQueue;

class Desktop : public std::enable_shared_from_this<Desktop> {
public:
    static std::shared_ptr<Desktop> Create();

    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    ~Desktop();

    WindowTable& Windows() { return m_windows; }
    ClassRegistry& Classes() { return m_classes; }

    // The queue of a thread, or null when the thread has none (it has not called anything that
    // needs one, or it has ended).
    std::shared_ptr<MessageQueue> QueueOf(DWORD threadId) const;
    // The calling thread's queue, created on first use; the queue ends with the thread.
    std::shared_ptr<MessageQueue> CurrentQueue();
    // Forgets a queue whose thread has ended.
    void ForgetQueue(const MessageQueue& queue);

private:
    Desktop() = default;

    WindowTable m_windows;
    ClassRegistry m_classes;

    mutable std::mutex m_queuesMutex;
    std::unordered_map<DWORD, std::shared_ptr<MessageQueue>> m_queues;
};

// The desktop API calls work on, created on first use.
std::shared_ptr<Desktop> CurrentDesktop();
// Installs a desktop as current and returns the one it replaces (null before first use).
std::shared_ptr<Desktop> ReplaceCurrentDesktop(std::shared_ptr<Desktop> desktop);

// A fresh desktop for the length of a scope (a test), then the previous one again.
class DesktopScope {
public:
    DesktopScope();
    ~DesktopScope();
    DesktopScope(const DesktopScope&) = delete;
    DesktopScope& operator=(const DesktopScope&) = delete;

    Desktop& Get() const { return *m_desktop; }

private:
    std::shared_ptr<Desktop> m_desktop;
    std::shared_ptr<Desktop> m_previous;
};

}  // namespace ce::user

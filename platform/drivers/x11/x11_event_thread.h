// The thread that reads the events connection and hands each event to a handler. It blocks in
// poll() on the connection and a wake pipe; Stop and Wake write to the pipe.
#pragma once

#include "drivers/x11/x11_xlib.h"

#include <atomic>
#include <functional>
#include <thread>

#include "kernel/unique_fd.h"

namespace ce::drivers::x11 {

class EventThread {
public:
    EventThread() = default;
    EventThread(const EventThread&) = delete;
    EventThread& operator=(const EventThread&) = delete;
    ~EventThread() { Stop(); }

    // Makes the wake pipe; false when it cannot.
    bool Initialize();

    // Starts reading; false when the thread cannot start. The handler runs on the thread.
    bool Start(Display* events, std::function<void(XEvent&)> handler);
    // Ends the thread and waits for it. Safe to call when it is not running.
    void Stop();
    // Makes the thread look at the connection again: another thread's call on the connection
    // may have moved events from the socket into Xlib's queue, where poll() cannot see them.
    void Wake();

private:
    void Run(Display* events);

    kernel::UniqueFd m_wakeRead;
    kernel::UniqueFd m_wakeWrite;
    std::function<void(XEvent&)> m_handler;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

}  // namespace ce::drivers::x11

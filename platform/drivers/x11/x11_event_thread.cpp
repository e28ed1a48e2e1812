#include "drivers/x11/x11_event_thread.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <system_error>

namespace ce::drivers::x11 {

bool EventThread::Initialize() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    m_wakeRead.Reset(fds[0]);
    m_wakeWrite.Reset(fds[1]);
    return true;
}

bool EventThread::Start(Display* events, std::function<void(XEvent&)> handler) {
    Stop();
    m_handler = std::move(handler);
    m_stopping.store(false);
    try {
        m_thread = std::thread([this, events] { Run(events); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void EventThread::Stop() {
    if (!m_thread.joinable()) {
        return;
    }
    m_stopping.store(true);
    Wake();
    m_thread.join();
}

void EventThread::Wake() {
    const char byte = 0;
    // A full pipe already holds a wake-up.
    [[maybe_unused]] ssize_t written = write(m_wakeWrite.Get(), &byte, 1);
}

void EventThread::Run(Display* events) {
    pollfd fds[2] = {{ConnectionNumber(events), POLLIN, 0}, {m_wakeRead.Get(), POLLIN, 0}};
    while (!m_stopping.load()) {
        // XPending reads what the socket holds; an event arriving after it makes poll() return.
        while (!m_stopping.load() && XPending(events) > 0) {
            XEvent event;
            XNextEvent(events, &event);
            // An event lost to a failed allocation is better than ending the process.
            try {
                m_handler(event);
            } catch (const std::exception&) {
            }
        }
        if (m_stopping.load()) {
            break;
        }
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            break;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            char drain[64];
            while (read(m_wakeRead.Get(), drain, sizeof drain) > 0) {
            }
        }
    }
}

}  // namespace ce::drivers::x11

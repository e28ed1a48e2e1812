#include "drivers/x11/x11_connection.h"

#include <atomic>
#include <mutex>

namespace ce::drivers::x11 {
namespace {

std::mutex g_trapMutex;
// Read by the handler, which may run on any thread that reads from any connection.
std::atomic<Display*> g_trappedDisplay{nullptr};
std::atomic<int> g_trappedError{0};
std::atomic<XErrorHandler> g_previousHandler{nullptr};

int TrapHandler(Display* display, XErrorEvent* event) {
    if (display == g_trappedDisplay.load()) {
        g_trappedError.store(event->error_code);
        return 0;
    }
    XErrorHandler previous = g_previousHandler.load();
    return previous != nullptr ? previous(display, event) : 0;
}

}  // namespace

ErrorTrap::ErrorTrap(Display* display, Sync sync) : m_display(display), m_sync(sync) {
    g_trapMutex.lock();
    if (m_sync == Sync::kAround) {
        XSync(m_display, False);
    }
    g_trappedError.store(0);
    g_trappedDisplay.store(m_display);
    g_previousHandler.store(XSetErrorHandler(TrapHandler));
}

ErrorTrap::~ErrorTrap() {
    if (m_sync == Sync::kAround) {
        XSync(m_display, False);
    }
    XSetErrorHandler(g_previousHandler.load());
    g_trappedDisplay.store(nullptr);
    g_trapMutex.unlock();
}

bool ErrorTrap::Succeeded() {
    if (m_sync == Sync::kAround) {
        XSync(m_display, False);
    }
    return g_trappedError.load() == 0;
}

}  // namespace ce::drivers::x11

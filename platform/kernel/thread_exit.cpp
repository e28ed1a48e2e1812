#include "kernel/thread_exit.h"

#include <vector>

namespace ce::kernel {

namespace {

class ThreadExitHandlers {
public:
    // Threads the layer did not start (main, std::thread) get their handlers run here.
    ~ThreadExitHandlers() { RunAll(); }

    void Add(void (*handler)()) { m_handlers.push_back(handler); }

    // A handler may register another one; it runs too, before the older ones.
    void RunAll() {
        while (!m_handlers.empty()) {
            const auto handler = m_handlers.back();
            m_handlers.pop_back();
            handler();
        }
    }

private:
    std::vector<void (*)()> m_handlers;
};

thread_local ThreadExitHandlers g_threadExitHandlers;  // one list per thread

}  // namespace

void RunAtThreadExit(void (*handler)()) {
    g_threadExitHandlers.Add(handler);
}

void RunThreadExitHandlers() {
    g_threadExitHandlers.RunAll();
}

}  // namespace ce::kernel

#include "kernel/thread_id.h"

#include <atomic>

namespace ce::kernel {

namespace {

std::atomic<DWORD> g_nextThreadId{1};
thread_local DWORD g_currentThreadId = 0;  // per thread; 0 until first asked for

}  // namespace

DWORD AllocateThreadId() {
    return g_nextThreadId.fetch_add(1, std::memory_order_relaxed);
}

void AdoptThreadId(DWORD id) {
    g_currentThreadId = id;
}

}  // namespace ce::kernel

DWORD GetCurrentThreadId() {
    if (ce::kernel::g_currentThreadId == 0) {
        ce::kernel::g_currentThreadId = ce::kernel::AllocateThreadId();
    }
    return ce::kernel::g_currentThreadId;
}

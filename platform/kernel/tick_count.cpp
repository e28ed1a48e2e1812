#include "kernel/tick_count.h"

#include <time.h>

#include <atomic>
#include <cstdint>

namespace ce::kernel {

namespace {

std::atomic<DWORD> g_tickCountOffset{0};

}  // namespace

void SetTickCountOffsetForTesting(DWORD offset) {
    g_tickCountOffset.store(offset, std::memory_order_relaxed);
}

}  // namespace ce::kernel

DWORD GetTickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    // Unsigned arithmetic keeps only the low 32 bits: the count wraps like the device's.
    return static_cast<DWORD>(milliseconds) +
           ce::kernel::g_tickCountOffset.load(std::memory_order_relaxed);
}

#include "kernel/tick_count.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "winbase.h"

namespace {

using Clock = std::chrono::steady_clock;

class TickCountOffset {
public:
    explicit TickCountOffset(DWORD offset) { ce::kernel::SetTickCountOffsetForTesting(offset); }
    ~TickCountOffset() { ce::kernel::SetTickCountOffsetForTesting(0); }
};

TEST(GetTickCount, WrapsAroundLikeAThirtyTwoBitCounter) {
    // Put the count 30 ms before the wrap.
    const TickCountOffset offset(0xFFFFFFFFu - 30u - GetTickCount());
    const DWORD before = GetTickCount();
    EXPECT_GE(before, 0xFFFFFFFFu - 40u);

    DWORD after = before;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (after >= before && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        after = GetTickCount();
    }
    EXPECT_LT(after, 1000u);
    // Elapsed time taken as a difference of counts stays right across the wrap.
    EXPECT_GE(after - before, 30u);
    EXPECT_LT(after - before, 5000u);
}

TEST(Sleep, LastsAtLeastTheTimeAsked) {
    const auto start = Clock::now();
    const DWORD ticksBefore = GetTickCount();
    Sleep(30);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(30));
    EXPECT_GE(GetTickCount() - ticksBefore, 29u);  // whole milliseconds on both ends
}

std::atomic<int> g_signals{0};

TEST(Sleep, ResumesAfterSignals) {
    struct sigaction action {};
    action.sa_handler = [](int) { g_signals.fetch_add(1); };
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the sleep itself must carry on
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

    g_signals = 0;
    std::atomic<bool> sleeping{true};
    const pthread_t sleeper = pthread_self();
    std::thread interrupter([&] {
        while (sleeping) {
            pthread_kill(sleeper, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    const auto start = Clock::now();
    Sleep(80);
    const auto elapsed = Clock::now() - start;
    sleeping = false;
    interrupter.join();
    sigaction(SIGUSR1, &previous, nullptr);

    EXPECT_GE(elapsed, std::chrono::milliseconds(80));
    EXPECT_GE(g_signals.load(), 1);
}

}  // namespace

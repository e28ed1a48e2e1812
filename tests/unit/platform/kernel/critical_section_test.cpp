#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "winbase.h"

namespace {

TEST(CriticalSection, ExcludesOtherThreadsAndNests) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    long counter = 0;  // deliberately not atomic: the section alone protects it
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                EnterCriticalSection(&section);
                EnterCriticalSection(&section);
                const long seen = counter;
                LeaveCriticalSection(&section);
                counter = seen + 1;
                LeaveCriticalSection(&section);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(counter, 4 * 20000);
    DeleteCriticalSection(&section);
}

TEST(CriticalSection, StaysHeldUntilEveryEnterIsLeft) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    LeaveCriticalSection(&section);

    struct Shared {
        CRITICAL_SECTION* section;
        std::atomic<bool> entered{false};
    } shared{&section};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID parameter) -> DWORD {
            auto* s = static_cast<Shared*>(parameter);
            EnterCriticalSection(s->section);
            s->entered = true;
            LeaveCriticalSection(s->section);
            return 0;
        },
        &shared, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
    EXPECT_FALSE(shared.entered);

    LeaveCriticalSection(&section);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(shared.entered);
    CloseHandle(thread);
    DeleteCriticalSection(&section);
}

}  // namespace

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <thread>

#include "kernel/thread_exit.h"
#include "winbase.h"
#include "wait_until.h"
#include "kernel_test_values.h"

namespace {

using ce::kernel::test::kUntouched;
constexpr DWORD kGenerousWait = 10000;  // ms; only reached when something is broken

using brevanta::test::WaitUntil;

struct RunRecord {
    std::atomic<bool> ran{false};
    std::atomic<DWORD> threadId{0};
};

DWORD RecordRun(LPVOID parameter) {
    auto* record = static_cast<RunRecord*>(parameter);
    record->threadId = GetCurrentThreadId();
    record->ran = true;
    return 42;
}

DWORD WaitForGate(LPVOID parameter) {
    static_cast<std::latch*>(parameter)->wait();
    return 5;
}

TEST(CreateThread, SuspendedThreadRunsNothingUntilResumed) {
    RunRecord record;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, RecordRun, &record, CREATE_SUSPENDED, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);

    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
    EXPECT_FALSE(record.ran);
    DWORD exitCode = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, STILL_ACTIVE);

    EXPECT_EQ(ResumeThread(thread), 1u);
    ASSERT_EQ(WaitForSingleObject(thread, kGenerousWait), WAIT_OBJECT_0);
    EXPECT_TRUE(record.ran);
    EXPECT_EQ(record.threadId, id);
    ASSERT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, 42u);
    EXPECT_EQ(ResumeThread(thread), 0u);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(CreateThread, RunningThreadReportsItsIdAndExitCode) {
    RunRecord record;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 64 * 1024, RecordRun, &record, 0, &id);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(record.threadId, id);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
    DWORD exitCode = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, 42u);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(CreateThread, ResumingARunningThreadReturnsZero) {
    std::latch gate(1);
    HANDLE thread = CreateThread(nullptr, 0, WaitForGate, &gate, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(ResumeThread(thread), 0u);
    EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);
    DWORD exitCode = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, STILL_ACTIVE);
    gate.count_down();
    ASSERT_EQ(WaitForSingleObject(thread, kGenerousWait), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, 5u);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(CreateThread, ThreadOutlivesItsClosedHandle) {
    struct Work {
        std::latch gate{1};
        std::atomic<bool> done{false};
    } work;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID parameter) -> DWORD {
            auto* w = static_cast<Work*>(parameter);
            w->gate.wait();
            w->done = true;
            return 0;
        },
        &work, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    work.gate.count_down();
    EXPECT_TRUE(WaitUntil([&] { return work.done.load(); }));
    SetLastError(kUntouched);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(ThreadFunctions, FailOnHandlesThatAreNoThreads) {
    HANDLE file = CreateFileW(u"\\dev\\null", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    for (HANDLE bad : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, file}) {
        SetLastError(kUntouched);
        EXPECT_EQ(ResumeThread(bad), 0xFFFFFFFFu);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        DWORD exitCode = 0;
        SetLastError(kUntouched);
        EXPECT_FALSE(GetExitCodeThread(bad, &exitCode));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(kUntouched);
        EXPECT_EQ(WaitForSingleObject(bad, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    EXPECT_TRUE(CloseHandle(file));
}

TEST(LastError, BelongsToEachThread) {
    SetLastError(11);
    std::atomic<DWORD> seenInThread{kUntouched};
    std::thread other([&] {
        seenInThread = GetLastError();
        SetLastError(22);
    });
    other.join();
    EXPECT_EQ(seenInThread, 0u);
    EXPECT_EQ(GetLastError(), 11u);
}

// What the exit handlers saw, in the order they ran.
std::atomic<int> g_step{0};
std::atomic<int> g_firstHandlerStep{0};
std::atomic<int> g_secondHandlerStep{0};
std::atomic<int> g_lateHandlerStep{0};
std::atomic<HANDLE> g_handlerThread{nullptr};
std::atomic<DWORD> g_waitSeenByHandler{0};
std::atomic<DWORD> g_exitCodeSeenByHandler{0};

void LateHandler() {
    g_lateHandlerStep = ++g_step;
}

void FirstHandler() {
    g_firstHandlerStep = ++g_step;
    g_waitSeenByHandler = WaitForSingleObject(g_handlerThread, 0);
    DWORD exitCode = 0;
    GetExitCodeThread(g_handlerThread, &exitCode);
    g_exitCodeSeenByHandler = exitCode;
    ce::kernel::RunAtThreadExit(LateHandler);
}

void SecondHandler() {
    g_secondHandlerStep = ++g_step;
}

TEST(ThreadExit, HandlersRunBeforeTheThreadIsSeenEnded) {
    g_step = 0;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
            ce::kernel::RunAtThreadExit(FirstHandler);
            ce::kernel::RunAtThreadExit(SecondHandler);
            return 3;
        },
        nullptr, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(thread, nullptr);
    g_handlerThread = thread;
    ResumeThread(thread);
    ASSERT_EQ(WaitForSingleObject(thread, kGenerousWait), WAIT_OBJECT_0);

    // Reverse order of registration; one registered by a handler runs too.
    EXPECT_EQ(g_secondHandlerStep, 1);
    EXPECT_EQ(g_firstHandlerStep, 2);
    EXPECT_EQ(g_lateHandlerStep, 3);
    EXPECT_EQ(g_waitSeenByHandler, WAIT_TIMEOUT);
    EXPECT_EQ(g_exitCodeSeenByHandler, STILL_ACTIVE);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(ThreadExit, HandlersOfOtherThreadsRunAtThreadExit) {
    g_step = 0;
    g_secondHandlerStep = 0;
    std::thread other([] { ce::kernel::RunAtThreadExit(SecondHandler); });
    other.join();
    EXPECT_EQ(g_secondHandlerStep, 1);
}

}  // namespace

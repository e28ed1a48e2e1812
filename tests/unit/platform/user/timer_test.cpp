// Timers: ticks, their priority, replacing and killing, timer procedures, idle waits.
#include "user_test_support.h"

#include <sys/resource.h>

#include <atomic>

namespace ce::user::test {
namespace {

using TimerTest = UserTest;
using Clock = std::chrono::steady_clock;

std::vector<MSG> DrainTimers(HWND window = nullptr) {
    std::vector<MSG> ticks;
    MSG message;
    while (PeekMessageW(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE)) {
        ticks.push_back(message);
    }
    return ticks;
}

TEST_F(TimerTest, TicksArriveOnePeriodApart) {
    HWND window = MakeWindow();
    const auto start = Clock::now();
    ASSERT_EQ(SetTimer(window, 5, 20, nullptr), 5u);

    for (int tick = 1; tick <= 2; ++tick) {
        MSG message;
        ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
        EXPECT_EQ(message.hwnd, window);
        EXPECT_EQ(message.message, WM_TIMER);
        EXPECT_EQ(message.wParam, 5u);
        EXPECT_EQ(message.lParam, 0);
        EXPECT_GE(Clock::now() - start, tick * 20ms);
    }
}

TEST_F(TimerTest, PeriodsBelowTheMinimumAreRaisedToIt) {
    HWND window = MakeWindow();
    const auto start = Clock::now();
    ASSERT_EQ(SetTimer(window, 1, 0, nullptr), 1u);
    MSG message;
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_GE(Clock::now() - start, 10ms);
}

// A busy thread finds one tick, however many periods passed; the next is a period later.
TEST_F(TimerTest, TicksDoNotPileUpWhileTheThreadIsBusy) {
    HWND window = MakeWindow();
    ASSERT_NE(SetTimer(window, 1, 10, nullptr), 0u);
    LetTimePass(60ms);
    EXPECT_EQ(DrainTimers().size(), 1u);
    EXPECT_TRUE(DrainTimers().empty());
}

TEST_F(TimerTest, TimersComeAfterPostedMessages) {
    HWND window = MakeWindow();
    ASSERT_NE(SetTimer(window, 1, 10, nullptr), 0u);
    LetTimePass(20ms);
    PostMessageW(window, kPosted, 0, 0);
    MSG message;
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, kPosted);
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, WM_TIMER);
}

TEST_F(TimerTest, KillTimerTakesAPendingTickAlong) {
    HWND window = MakeWindow();
    ASSERT_NE(SetTimer(window, 1, 10, nullptr), 0u);
    ASSERT_NE(SetTimer(window, 2, 10, nullptr), 0u);
    LetTimePass(20ms);
    EXPECT_TRUE(KillTimer(window, 1));
    const auto ticks = DrainTimers();
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(ticks[0].wParam, 2u);
    EXPECT_FALSE(KillTimer(window, 1));
}

TEST_F(TimerTest, PeekWithoutRemovingLeavesTheTickDue) {
    HWND window = MakeWindow();
    ASSERT_NE(SetTimer(window, 1, 10, nullptr), 0u);
    LetTimePass(20ms);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, WM_TIMER);
    EXPECT_EQ(DrainTimers().size(), 1u);
}

TEST_F(TimerTest, SettingTheSameIdAgainReplacesTheTimer) {
    HWND window = MakeWindow();
    ASSERT_EQ(SetTimer(window, 3, 60'000, nullptr), 3u);
    ASSERT_EQ(SetTimer(window, 3, 10, nullptr), 3u);
    MSG message;
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0)) << "the short period is in force";
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_TRUE(KillTimer(window, 3));
    EXPECT_FALSE(KillTimer(window, 3)) << "there was only one timer";
}

std::vector<std::pair<HWND, UINT_PTR>> g_procedureCalls;

void CALLBACK RecordTimer(HWND window, UINT message, UINT_PTR id, DWORD) {
    EXPECT_EQ(message, WM_TIMER);
    g_procedureCalls.emplace_back(window, id);
}

TEST_F(TimerTest, DispatchCallsTheTimerProcedureInsteadOfTheWindows) {
    g_procedureCalls.clear();
    HWND window = MakeWindow();
    ASSERT_EQ(SetTimer(window, 4, 10, &RecordTimer), 4u);
    ClearLog();
    MSG message;
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(message.lParam, reinterpret_cast<LPARAM>(&RecordTimer));
    EXPECT_EQ(DispatchMessageW(&message), 0);
    EXPECT_EQ(g_procedureCalls, (std::vector<std::pair<HWND, UINT_PTR>>{{window, 4}}));
    EXPECT_TRUE(Log().empty());

    ASSERT_EQ(SetTimer(window, 4, 10, nullptr), 4u);
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    DispatchMessageW(&message);
    EXPECT_EQ(Log(), (std::vector<Received>{{window, WM_TIMER, 0}}));
}

TEST_F(TimerTest, ThreadTimersGetFreshIds) {
    g_procedureCalls.clear();
    const UINT_PTR first = SetTimer(nullptr, 0, 10, &RecordTimer);
    const UINT_PTR second = SetTimer(nullptr, first, 10, &RecordTimer);
    const UINT_PTR third = SetTimer(nullptr, 0, 60'000, &RecordTimer);
    EXPECT_NE(first, 0u);
    EXPECT_EQ(second, first) << "an id of the thread's own timer replaces it";
    EXPECT_NE(third, first);
    EXPECT_NE(SetTimer(nullptr, 12345, 60'000, nullptr), 12345u)
        << "an id no timer has is not taken";

    MSG message;
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(message.hwnd, nullptr);
    EXPECT_EQ(message.wParam, first);
    DispatchMessageW(&message);
    EXPECT_EQ(g_procedureCalls.size(), 1u);
    EXPECT_TRUE(KillTimer(nullptr, first));

    HWND window = MakeWindow();
    EXPECT_FALSE(PeekMessageW(&message, window, 0, 0, PM_REMOVE))
        << "a window filter leaves thread timers out";
}

TEST_F(TimerTest, TimersBelongToTheWindowsThreadAndGoWithTheWindow) {
    HWND window = nullptr;
    WindowThread owner([&] { window = MakeWindow(); });
    SetLastError(0);
    EXPECT_EQ(SetTimer(window, 1, 10, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    owner.Join();

    HWND mine = MakeWindow();
    ASSERT_NE(SetTimer(mine, 1, 10, nullptr), 0u);
    ASSERT_TRUE(DestroyWindow(mine));
    LetTimePass(20ms);
    EXPECT_TRUE(DrainTimers().empty());
    SetLastError(0);
    EXPECT_EQ(SetTimer(mine, 1, 10, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

// The processor time the calling thread has used.
std::chrono::microseconds ThreadCpuTime() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const auto total = [](const timeval& time) {
        return std::chrono::seconds(time.tv_sec) + std::chrono::microseconds(time.tv_usec);
    };
    return total(usage.ru_utime) + total(usage.ru_stime);
}

// A thread waiting in GetMessageW sleeps: without timers it uses no processor time at all, and
// with a timer it wakes only for the ticks.
TEST_F(TimerTest, AWaitingThreadSleeps) {
    std::atomic<int> ticks{0};
    HWND window = nullptr;
    WindowThread owner([&] { window = MakeWindow(); });
    std::chrono::microseconds start{};
    std::chrono::microseconds end{};

    owner.Run([&] { start = ThreadCpuTime(); });
    LetTimePass(50ms);
    owner.Run([&] { end = ThreadCpuTime(); });
    EXPECT_LT(end - start, 5ms);

    SetAnswer([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_TIMER) {
            ++ticks;
        }
        return std::nullopt;
    });
    owner.Run([&] {
        SetTimer(window, 1, 10, nullptr);
        start = ThreadCpuTime();
    });
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 5; }));
    owner.Run([&] { end = ThreadCpuTime(); });
    EXPECT_LT(end - start, 10ms);
}

}  // namespace
}  // namespace ce::user::test

// Timers of one thread. They are not messages in the queue: a due timer turns into WM_TIMER only
// when the thread looks for a message and nothing else is pending, and the next tick is due one
// period after that. So ticks never pile up behind a busy thread, and a killed timer leaves no
// tick behind.
#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include "winuser.h"

namespace ce::user {

using TimerClock = std::chrono::steady_clock;

// Periods are at least USER_TIMER_MINIMUM and at most USER_TIMER_MAXIMUM, as on the device.
inline constexpr UINT kMinimumTimerPeriod = 10;
inline constexpr UINT kMaximumTimerPeriod = 0x7FFFFFFF;

struct Timer {
    HWND m_window = nullptr;  // null for a thread timer
    UINT_PTR m_id = 0;
    std::chrono::milliseconds m_period{kMinimumTimerPeriod};
    TIMERPROC m_procedure = nullptr;
    TimerClock::time_point m_due;
};

// Guarded by the owning queue's lock.
class TimerList {
public:
    // Adds or replaces the window's timer with that id; the first tick is one period from now.
    void SetWindowTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC procedure,
                        TimerClock::time_point now);
    // Replaces the thread timer with that id, or adds one under a fresh id. Returns the id.
    UINT_PTR SetThreadTimer(UINT_PTR id, UINT period, TIMERPROC procedure,
                            TimerClock::time_point now);
    bool Kill(HWND window, UINT_PTR id);
    void KillAllOf(HWND window);
    void Clear() { m_timers.clear(); }

    // The due timer that accept() takes with the earliest due time. With restart, its next tick
    // becomes due one period after now.
    template <class Accept>
    std::optional<Timer> TakeDue(Accept&& accept, TimerClock::time_point now, bool restart) {
        Timer* earliest = EarliestAccepted(accept);
        if (earliest == nullptr || earliest->m_due > now) {
            return std::nullopt;
        }
        Timer taken = *earliest;
        if (restart) {
            earliest->m_due = now + earliest->m_period;
        }
        return taken;
    }

    // When the next timer that accept() takes falls due; nothing when there is none.
    template <class Accept>
    std::optional<TimerClock::time_point> NextDue(Accept&& accept) {
        const Timer* earliest = EarliestAccepted(accept);
        if (earliest == nullptr) {
            return std::nullopt;
        }
        return earliest->m_due;
    }

private:
    template <class Accept>
    Timer* EarliestAccepted(Accept&& accept) {
        Timer* earliest = nullptr;
        for (Timer& timer : m_timers) {
            if ((earliest == nullptr || timer.m_due < earliest->m_due) && accept(timer)) {
                earliest = &timer;
            }
        }
        return earliest;
    }

    Timer* FindTimer(HWND window, UINT_PTR id);

    std::vector<Timer> m_timers;
    UINT_PTR m_lastThreadTimerId = 0;
};

}  // namespace ce::user

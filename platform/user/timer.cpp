#include "user/timer.h"

#include <algorithm>

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/desktop.h"
#include "user/message_queue.h"

namespace ce::user {

namespace {

std::chrono::milliseconds ClampPeriod(UINT period) {
    return std::chrono::milliseconds(std::clamp(period, kMinimumTimerPeriod, kMaximumTimerPeriod));
}

}  // namespace

void TimerList::SetWindowTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC procedure,
                               TimerClock::time_point now) {
    Timer* timer = FindTimer(window, id);
    if (timer == nullptr) {
        timer = &m_timers.emplace_back();
        timer->m_window = window;
        timer->m_id = id;
    }
    timer->m_period = ClampPeriod(period);
    timer->m_procedure = procedure;
    timer->m_due = now + timer->m_period;
}

UINT_PTR TimerList::SetThreadTimer(UINT_PTR id, UINT period, TIMERPROC procedure,
                                   TimerClock::time_point now) {
    if (id == 0 || FindTimer(nullptr, id) == nullptr) {
        do {
            ++m_lastThreadTimerId;
        } while (m_lastThreadTimerId == 0 || FindTimer(nullptr, m_lastThreadTimerId) != nullptr);
        id = m_lastThreadTimerId;
    }
    SetWindowTimer(nullptr, id, period, procedure, now);
    return id;
}

bool TimerList::Kill(HWND window, UINT_PTR id) {
    return std::erase_if(m_timers, [&](const Timer& timer) {
               return timer.m_window == window && timer.m_id == id;
           }) != 0;
}

void TimerList::KillAllOf(HWND window) {
    std::erase_if(m_timers, [window](const Timer& timer) { return timer.m_window == window; });
}

Timer* TimerList::FindTimer(HWND window, UINT_PTR id) {
    auto found = std::find_if(m_timers.begin(), m_timers.end(), [&](const Timer& timer) {
        return timer.m_window == window && timer.m_id == id;
    });
    return found == m_timers.end() ? nullptr : &*found;
}

namespace {

// Timers belong to the thread that owns the window: only that thread sets or kills them.
bool IsOwnWindow(Desktop& desktop, HWND window) {
    auto record = desktop.Windows().Find(window);
    if (!record) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (record->m_threadId != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

}  // namespace

}  // namespace ce::user

UINT_PTR SetTimer(HWND window, UINT_PTR timerId, UINT elapse, TIMERPROC timerProc) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<UINT_PTR>(0, [&]() -> UINT_PTR {
        auto desktop = CurrentDesktop();
        if (window != nullptr && !IsOwnWindow(*desktop, window)) {
            return 0;
        }
        auto queue = desktop->CurrentQueue();
        const UINT_PTR id = queue->SetTimer(window, timerId, elapse, timerProc);
        // A child of another thread's window can be destroyed by that thread at any moment; the
        // destruction removes its timers after the handle is gone, so a timer set on a window
        // found gone here is the only one that could be left behind.
        if (window != nullptr && !desktop->Windows().Find(window)) {
            queue->KillTimer(window, id);
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        return id;
    });
}

BOOL KillTimer(HWND window, UINT_PTR timerId) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        auto desktop = CurrentDesktop();
        if (window != nullptr && !IsOwnWindow(*desktop, window)) {
            return FALSE;
        }
        auto queue = desktop->QueueOf(GetCurrentThreadId());
        if (!queue || !queue->KillTimer(window, timerId)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        return TRUE;
    });
}

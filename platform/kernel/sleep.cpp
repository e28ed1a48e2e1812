#include <errno.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include "winbase.h"

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();  // the device gives up the rest of the time slice
        return;
    }
    if (milliseconds == INFINITE) {
        for (;;) {
            pause();
        }
    }
    // An absolute deadline lets a sleep interrupted by a signal resume for the remaining time.
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += static_cast<time_t>(milliseconds / 1000u);
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000u) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_nsec -= 1000000000L;
        ++deadline.tv_sec;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

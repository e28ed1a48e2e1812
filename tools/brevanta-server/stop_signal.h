// The program-wide stop: once triggered, every wait of every thread returns. An eventfd rather
// than a flag alone so that threads blocked in poll() wake up.
#pragma once

#include <chrono>

#include "common/unique_fd.h"

namespace brevanta::server {

using tools::UniqueFd;

class StopSignal {
public:
    enum class Wait { kReady, kTimeout, kStopped };

    StopSignal();
    bool IsValid() const { return m_event.IsValid(); }
    void Trigger();
    bool Triggered() const;

    // Waits until fd has one of the poll events, the timeout passes (a negative timeout waits
    // without limit) or the stop is triggered; the stop wins over readiness.
    Wait WaitFor(int fd, short events, std::chrono::milliseconds timeout) const;
    // Sleeps; false when the stop cut the sleep short.
    bool Sleep(std::chrono::milliseconds duration) const;

private:
    UniqueFd m_event;
};

}  // namespace brevanta::server

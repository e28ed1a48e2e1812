#include "stop_signal.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace brevanta::server {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

StopSignal::StopSignal() : m_event(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void StopSignal::Trigger() {
    // The counter is never read, so the descriptor stays readable for every later poll.
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(m_event.Get(), &one, sizeof one);
}

bool StopSignal::Triggered() const {
    pollfd entry{m_event.Get(), POLLIN, 0};
    return poll(&entry, 1, 0) > 0;
}

StopSignal::Wait StopSignal::WaitFor(int fd, short events,
                                     std::chrono::milliseconds timeout) const {
    const bool forever = timeout.count() < 0;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int left = -1;
        if (!forever) {
            // Rounded up: a pause must never end before its time.
            auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            left = static_cast<int>(std::max<std::int64_t>(0, remaining.count()));
        }
        pollfd entries[2] = {{m_event.Get(), POLLIN, 0}, {fd, events, 0}};
        nfds_t count = fd >= 0 ? 2 : 1;
        int ready = poll(entries, count, left);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (entries[0].revents != 0) {
            return Wait::kStopped;
        }
        if (ready > 0) {
            return Wait::kReady;
        }
        if (ready == 0 && !forever && Clock::now() >= deadline) {
            return Wait::kTimeout;
        }
        if (ready < 0) {
            // poll() itself failed: report readiness so that the caller's next call shows the
            // error instead of spinning here.
            return Wait::kReady;
        }
    }
}

bool StopSignal::Sleep(std::chrono::milliseconds duration) const {
    return WaitFor(-1, 0, duration) != Wait::kStopped;
}

}  // namespace brevanta::server

// The waits between attempts to reach a peer that refused or dropped us: doubling from the first
// to the cap, and back to the first once the peer served us.
#pragma once

#include <algorithm>
#include <chrono>

namespace brevanta::tavrelin {

class Backoff {
public:
    Backoff(std::chrono::milliseconds first, std::chrono::milliseconds cap)
        : m_first(first), m_cap(cap), m_next(first) {}

    // The wait before the next attempt; each call doubles the one after it, up to the cap.
    std::chrono::milliseconds Take() {
        const std::chrono::milliseconds wait = m_next;
        m_next = std::min(m_cap, m_next * 2);
        return wait;
    }
    void Reset() { m_next = m_first; }

private:
    std::chrono::milliseconds m_first;
    std::chrono::milliseconds m_cap;
    std::chrono::milliseconds m_next;
};

}  // namespace brevanta::tavrelin

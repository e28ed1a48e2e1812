// When a viewer asks Tavrelin for the changed bands. Tavrelin sends only when asked: a viewer
// asks at a steady rate, and right after every input a few more requests follow at growing gaps,
// because the request sent with an input is answered before the device has drawn the input's
// effect. Pure: the caller sends and tells the schedule what it sent.
#pragma once

#include <chrono>

namespace brevanta::tavrelin {

class PollSchedule {
public:
    using Clock = std::chrono::steady_clock;

    // How requests follow an input: 2 ms after it, then at gaps that double up to 32 ms (few
    // requests), or every 2 ms for 32 ms (the effect shows sooner, for more captures).
    enum class FollowUps { kDoubling, kEven };

    // A steady interval of zero: only the follow-ups of input.
    PollSchedule(std::chrono::milliseconds steady, Clock::time_point now,
                 FollowUps followUps = FollowUps::kDoubling);

    // A new steady interval; a request is due at once when steady polling starts.
    void SetSteady(std::chrono::milliseconds steady, Clock::time_point now);
    std::chrono::milliseconds Steady() const { return m_steady; }

    // Whether any request is planned at all (steady polling, or follow-ups pending).
    bool Active() const { return m_steady.count() > 0 || m_followUp.count() > 0; }
    // When the next request is due; meaningful only while Active().
    Clock::time_point Next() const { return m_next; }

    // Input went out with a request of its own: the follow-ups begin.
    void InputSent(Clock::time_point now);
    // Any request went out: the steady interval starts over.
    void RequestSent(Clock::time_point now);
    // The request that Next() named went out.
    void DueRequestSent(Clock::time_point now);

private:
    std::chrono::milliseconds m_steady;
    FollowUps m_followUps;
    std::chrono::milliseconds m_followUp{0};  // zero: no follow-up pending
    Clock::time_point m_inputAt;
    Clock::time_point m_next;
};

}  // namespace brevanta::tavrelin

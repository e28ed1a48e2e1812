#include "common/tavrelin/poll_schedule.h"

namespace brevanta::tavrelin {
namespace {

constexpr std::chrono::milliseconds kFirstFollowUp{2};
constexpr std::chrono::milliseconds kLastFollowUp{32};

}  // namespace

PollSchedule::PollSchedule(std::chrono::milliseconds steady, Clock::time_point now,
                           FollowUps followUps)
    : m_steady(steady), m_followUps(followUps), m_next(now) {}

void PollSchedule::SetSteady(std::chrono::milliseconds steady, Clock::time_point now) {
    if (steady.count() > 0 && (m_steady.count() == 0 || now + steady < m_next)) {
        m_next = now;
    }
    m_steady = steady;
}

void PollSchedule::InputSent(Clock::time_point now) {
    RequestSent(now);
    m_followUp = kFirstFollowUp;
    m_inputAt = now;
    m_next = now + m_followUp;
}

void PollSchedule::RequestSent(Clock::time_point now) {
    m_next = now + m_steady;
}

void PollSchedule::DueRequestSent(Clock::time_point now) {
    RequestSent(now);
    if (m_followUp.count() == 0) {
        return;
    }
    bool over = false;
    if (m_followUps == FollowUps::kDoubling) {
        m_followUp *= 2;
        over = m_followUp > kLastFollowUp;
    } else {
        over = now + m_followUp - m_inputAt > kLastFollowUp;
    }
    const bool steadyComesFirst = m_steady.count() > 0 && m_followUp >= m_steady;
    if (over || steadyComesFirst) {
        m_followUp = std::chrono::milliseconds(0);
    } else {
        m_next = now + m_followUp;
    }
}

}  // namespace brevanta::tavrelin

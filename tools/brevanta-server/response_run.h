// Carries out a planned response (response_plan.h) on a non-blocking socket: each call goes as
// far as the socket's room, the clock and a byte budget allow, and says what it waits for.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "response_plan.h"
#include "common/unique_fd.h"

namespace brevanta::server {

using tools::UniqueFd;

class ResponseRun {
public:
    using Clock = std::chrono::steady_clock;

    struct Progress {
        enum class State {
            kDone,          // every step is carried out
            kWaitWritable,  // the socket is full
            kWaitUntil,     // a pause runs until `until`
            kBudgetSpent,   // more can go at once, after the others had their turn
            kFailed,        // `error` says why
        };
        State state = State::kDone;
        Clock::time_point until{};
        std::string error;
    };

    // file: the open file whose bytes the body steps send, from its start.
    ResponseRun(std::vector<ResponseStep> steps, UniqueFd file)
        : m_steps(std::move(steps)), m_file(std::move(file)) {}

    // Sends at most *budget bytes and takes what it sent off the budget.
    Progress Advance(int socket, std::uint64_t* budget);

    std::uint64_t BodySent() const { return m_bodySent; }
    // Whether the plan ends the connection after the response.
    bool Closes() const { return m_closes; }

private:
    // One send of the current step: bytes went out, the socket is full, or it failed (*error).
    enum class Attempt { kSent, kFull, kFailed };
    Attempt Send(int socket, const ResponseStep& step, std::uint64_t limit, std::string* error);

    std::vector<ResponseStep> m_steps;
    UniqueFd m_file;
    std::size_t m_step = 0;
    std::uint64_t m_stepSent = 0;  // bytes of the current step already sent
    std::optional<Clock::time_point> m_pauseEnd;
    std::uint64_t m_bodySent = 0;
    bool m_closes = false;
};

}  // namespace brevanta::server

#include "response_run.h"

#include <sys/sendfile.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace brevanta::server {
namespace {

// One sendfile() call moves at most this much; larger files take several calls.
constexpr std::uint64_t kMaxSendfileCount = 1u << 30;
constexpr std::size_t kFillerBlock = 64 * 1024;

std::uint64_t StepSize(const ResponseStep& step) {
    return step.kind == ResponseStep::Kind::kWrite ? step.bytes.size() : step.count;
}

}  // namespace

ResponseRun::Attempt ResponseRun::Send(int socket, const ResponseStep& step, std::uint64_t limit,
                                       std::string* error) {
    ssize_t written = 0;
    switch (step.kind) {
        case ResponseStep::Kind::kWrite:
            written = send(socket, step.bytes.data() + m_stepSent, limit, MSG_NOSIGNAL);
            break;
        case ResponseStep::Kind::kBody: {
            // The body goes through sendfile so that the data never enters user space.
            auto position = static_cast<off_t>(m_bodySent);
            written = sendfile(socket, m_file.Get(), &position, std::min(limit, kMaxSendfileCount));
            if (written == 0) {
                *error = "the file ended early";
                return Attempt::kFailed;
            }
            break;
        }
        case ResponseStep::Kind::kFiller: {
            static const std::string block(kFillerBlock, kFillerByte);
            written = send(socket, block.data(), std::min<std::uint64_t>(limit, block.size()),
                           MSG_NOSIGNAL);
            break;
        }
        case ResponseStep::Kind::kPause:
        case ResponseStep::Kind::kClose:
            return Attempt::kSent;
    }
    if (written < 0) {
        if (errno == EINTR) {
            return Attempt::kSent;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return Attempt::kFull;
        }
        *error = std::strerror(errno);
        return Attempt::kFailed;
    }
    m_stepSent += static_cast<std::uint64_t>(written);
    if (step.kind == ResponseStep::Kind::kBody) {
        m_bodySent += static_cast<std::uint64_t>(written);
    }
    return Attempt::kSent;
}

ResponseRun::Progress ResponseRun::Advance(int socket, std::uint64_t* budget) {
    using State = Progress::State;
    auto nextStep = [this] {
        ++m_step;
        m_stepSent = 0;
    };
    while (m_step < m_steps.size()) {
        const ResponseStep& step = m_steps[m_step];
        if (step.kind == ResponseStep::Kind::kClose) {
            m_closes = true;
            nextStep();
            continue;
        }
        if (step.kind == ResponseStep::Kind::kPause) {
            if (!m_pauseEnd) {
                m_pauseEnd = Clock::now() + std::chrono::milliseconds(step.count);
            }
            if (Clock::now() < *m_pauseEnd) {
                return {State::kWaitUntil, *m_pauseEnd, {}};
            }
            m_pauseEnd.reset();
            nextStep();
            continue;
        }
        const std::uint64_t size = StepSize(step);
        if (m_stepSent == size) {
            nextStep();
            continue;
        }
        if (*budget == 0) {
            return {State::kBudgetSpent, {}, {}};
        }
        const std::uint64_t before = m_stepSent;
        std::string error;
        switch (Send(socket, step, std::min(size - m_stepSent, *budget), &error)) {
            case Attempt::kSent:
                *budget -= m_stepSent - before;
                break;
            case Attempt::kFull:
                return {State::kWaitWritable, {}, {}};
            case Attempt::kFailed:
                return {State::kFailed, {}, std::move(error)};
        }
    }
    return {State::kDone, {}, {}};
}

}  // namespace brevanta::server

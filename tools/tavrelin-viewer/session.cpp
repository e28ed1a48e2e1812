#include "session.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "output.h"

namespace brevanta::viewer {
namespace {

constexpr std::size_t kReceiveBufferSize = 64 * 1024;
// A read turn stops after this much so that a fast server cannot starve the window or the
// polls.
constexpr std::size_t kMaxReadPerStep = 4 * 1024 * 1024;

constexpr InputRecord kUpdateRequest = EncodeRecord(EventCode::kUpdateRequest);

}  // namespace

Session::Session(Connection connection, const SessionConfig& config)
    : m_connection(std::move(connection)),
      m_config(config),
      m_decoder(config.fallbackSize),
      m_throughput(Clock::now()),
      m_polls(config.pollInterval, Clock::now()),
      m_receiveBuffer(kReceiveBufferSize) {}

void Session::SendInput(std::span<const InputRecord> records) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve((records.size() + 1) * kRecordSize);
    for (const InputRecord& record : records) {
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    bytes.insert(bytes.end(), kUpdateRequest.begin(), kUpdateRequest.end());
    Send(bytes);
    m_polls.InputSent(Clock::now());
}

void Session::SendRequest() {
    Send(kUpdateRequest);
}

void Session::SendRaw(std::span<const std::uint8_t> bytes) {
    Send(bytes);
}

void Session::Send(std::span<const std::uint8_t> bytes) {
    if (!Open()) {
        return;
    }
    m_connection.Queue(bytes);
    std::string error;
    if (!m_connection.Flush(&error)) {
        End(State::kFailed, error);
    }
    // Whatever was just sent asked for an update too, so the steady poll starts over.
    m_polls.RequestSent(Clock::now());
}

Session::StepResult Session::Step(Clock::time_point deadline, int extraFd) {
    StepResult result;
    for (;;) {
        Clock::time_point now = Clock::now();
        if (m_config.rateLines) {
            if (std::string line = m_throughput.TakeRateLine(now); !line.empty()) {
                EmitLine(line);
            }
        }
        if (!Open()) {
            return result;
        }
        // A server that stopped reading gets no more polls until it takes what is queued.
        if (m_polls.Active() && now >= m_polls.Next() && !m_connection.HasQueued()) {
            SendRequest();
            m_polls.DueRequestSent(Clock::now());
            if (!Open()) {
                return result;
            }
        }
        Clock::time_point wake = deadline;
        if (m_polls.Active()) {
            wake = std::min(wake, m_polls.Next());
        }
        if (m_config.rateLines) {
            wake = std::min(wake, m_throughput.NextRateLine());
        }
        const auto waitMs = std::max<long long>(
            0, std::chrono::ceil<std::chrono::milliseconds>(wake - now).count());
        pollfd watched[2] = {
            {m_connection.Fd(),
             static_cast<short>(POLLIN | (m_connection.HasQueued() ? POLLOUT : 0)), 0},
            {extraFd, POLLIN, 0}};
        const int ready = poll(watched, extraFd >= 0 ? 2 : 1, static_cast<int>(waitMs));
        if (ready < 0 && errno != EINTR) {
            End(State::kFailed, std::string("poll: ") + std::strerror(errno));
            return result;
        }
        if (ready > 0 && (watched[0].revents & POLLOUT) != 0) {
            std::string error;
            if (!m_connection.Flush(&error)) {
                End(State::kFailed, error);
            }
        }
        if (ready > 0 && (watched[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            ReadAvailable(&result.frames);
        }
        result.extraReady = ready > 0 && extraFd >= 0 && watched[1].revents != 0;
        if (!result.frames.empty() || result.extraReady || !Open() || Clock::now() >= deadline) {
            return result;
        }
    }
}

void Session::ReadAvailable(std::vector<DecodedFrame>* frames) {
    std::size_t total = 0;
    while (Open() && total < kMaxReadPerStep) {
        std::size_t count = 0;
        std::string error;
        switch (m_connection.Read(m_receiveBuffer, &count, &error)) {
            case Connection::ReadStatus::kNothing:
                return;
            case Connection::ReadStatus::kClosed:
                End(State::kClosed, "closed by the server");
                return;
            case Connection::ReadStatus::kError:
                End(State::kFailed, error);
                return;
            case Connection::ReadStatus::kData:
                break;
        }
        total += count;
        const std::size_t before = frames->size();
        if (!m_decoder.Feed(std::span(m_receiveBuffer).first(count), frames)) {
            End(State::kBadFrame, "bad frame: " + m_decoder.Error());
        }
        for (std::size_t i = before; i < frames->size(); ++i) {
            m_throughput.AddFrame((*frames)[i].totalLength);
            m_lastMode = (*frames)[i].mode;
        }
    }
}

void Session::End(State state, std::string error) {
    if (m_state == State::kOpen) {
        m_state = state;
        m_error = std::move(error);
    }
}

}  // namespace brevanta::viewer

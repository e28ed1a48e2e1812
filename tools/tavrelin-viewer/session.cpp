#include "session.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "output.h"

namespace brevanta::viewer {
namespace {

constexpr std::size_t kReceiveBufferSize = 64 * 1024;
// A read turn stops after this much so that a fast server cannot starve the window or the
// polls.
constexpr std::size_t kMaxReadPerStep = 4 * 1024 * 1024;

constexpr InputRecord kUpdateRequest = EncodeRecord(EventCode::kUpdateRequest);

constexpr std::chrono::milliseconds kFirstRetry{50};
constexpr std::chrono::milliseconds kLastRetry{2000};
// A connection attempt made while the window waits is cut short: the window stays responsive.
constexpr std::chrono::milliseconds kLongestAttempt{1000};

}  // namespace

Session::Session(const SessionConfig& config)
    : m_config(config),
      m_decoder(config.fallbackSize),
      m_throughput(Clock::now()),
      m_polls(config.pollInterval, Clock::now()),
      m_backoff(kFirstRetry, kLastRetry),
      m_nextAttempt(Clock::now()),
      m_connectDeadline(Clock::now() + config.connectTimeout),
      m_receiveBuffer(kReceiveBufferSize) {}

void Session::TryConnect() {
    const Clock::time_point now = Clock::now();
    std::chrono::milliseconds timeout = kLongestAttempt;
    if (!m_config.reconnect) {
        timeout = std::min(timeout,
                           std::chrono::ceil<std::chrono::milliseconds>(m_connectDeadline - now));
    }
    std::string error;
    std::optional<Connection> connection = Connection::Open(
        m_config.host, m_config.port, std::max(timeout, std::chrono::milliseconds(1)), &error);
    if (!connection) {
        const Clock::time_point next = Clock::now() + m_backoff.Take();
        if (!m_config.reconnect && next >= m_connectDeadline) {
            m_state = State::kFailed;
            m_error = error;
            return;
        }
        m_retryReason = error;
        EmitLine("reconnecting " + error);
        m_nextAttempt = next;
        return;
    }
    m_connection = std::move(connection);
    m_state = State::kOpen;
    m_served = false;
    m_retryReason.clear();
    // A server that took the viewer on again sends every band that is not white: the picture
    // starts over as it does on the server.
    m_decoder = FrameDecoder(m_config.fallbackSize);
    EmitLine("connected " + m_config.host + ":" + std::to_string(m_config.port));
    // The server sends nothing until asked.
    SendRequest();
}

bool Session::Connect() {
    while (m_state == State::kConnecting) {
        std::this_thread::sleep_until(m_nextAttempt);
        TryConnect();
    }
    return Connected();
}

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
    if (!Connected()) {
        return;
    }
    m_connection->Queue(bytes);
    std::string error;
    if (!m_connection->Flush(&error)) {
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
        if (m_state == State::kConnecting) {
            if (now >= m_nextAttempt) {
                TryConnect();
                continue;
            }
            const auto waitMs = std::chrono::ceil<std::chrono::milliseconds>(
                                    std::min(deadline, m_nextAttempt) - now)
                                    .count();
            pollfd extra{extraFd, POLLIN, 0};
            const int ready = poll(&extra, extraFd >= 0 ? 1 : 0,
                                   static_cast<int>(std::max<long long>(0, waitMs)));
            result.extraReady = ready > 0;
            if (result.extraReady || Clock::now() >= deadline) {
                return result;
            }
            continue;
        }
        if (!Open()) {
            return result;
        }
        // A server that stopped reading gets no more polls until it takes what is queued.
        if (m_polls.Active() && now >= m_polls.Next() && !m_connection->HasQueued()) {
            SendRequest();
            m_polls.DueRequestSent(Clock::now());
            if (!Connected()) {
                continue;
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
            {m_connection->Fd(),
             static_cast<short>(POLLIN | (m_connection->HasQueued() ? POLLOUT : 0)), 0},
            {extraFd, POLLIN, 0}};
        const int ready = poll(watched, extraFd >= 0 ? 2 : 1, static_cast<int>(waitMs));
        if (ready < 0 && errno != EINTR) {
            End(State::kFailed, std::string("poll: ") + std::strerror(errno));
            return result;
        }
        if (ready > 0 && (watched[0].revents & POLLOUT) != 0) {
            std::string error;
            if (!m_connection->Flush(&error)) {
                End(State::kFailed, error);
            }
        }
        if (ready > 0 && (watched[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            ReadAvailable(&result.frames);
        }
        result.extraReady = ready > 0 && extraFd >= 0 && watched[1].revents != 0;
        if (!result.frames.empty() || result.extraReady || !Connected() ||
            Clock::now() >= deadline) {
            return result;
        }
    }
}

void Session::ReadAvailable(std::vector<DecodedFrame>* frames) {
    std::size_t total = 0;
    while (Connected() && total < kMaxReadPerStep) {
        std::size_t count = 0;
        std::string error;
        switch (m_connection->Read(m_receiveBuffer, &count, &error)) {
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
            if (!m_served) {
                m_served = true;
                m_backoff.Reset();
            }
        }
    }
}

void Session::End(State state, std::string error) {
    if (m_state != State::kOpen) {
        return;
    }
    m_connection.reset();
    const bool retry = state != State::kBadFrame &&
                       (m_config.reconnect || (!m_served && Clock::now() < m_connectDeadline));
    if (retry) {
        m_state = State::kConnecting;
        m_retryReason = error;
        EmitLine("reconnecting " + error);
        m_nextAttempt = Clock::now() + m_backoff.Take();
        return;
    }
    m_state = state;
    m_error = std::move(error);
}

}  // namespace brevanta::viewer

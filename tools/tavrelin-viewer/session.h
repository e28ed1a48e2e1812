// The connection to the server as both modes use it: input records out, frames in, an update
// request at a steady rate and right after every input. Single-threaded: Step() waits for the
// socket (and optionally one more descriptor, the X connection) and does the due work.
//
// Tavrelin closes its listening socket when it takes a viewer on, so a connection that lands in
// its backlog then is reset, and a restarted Tavrelin drops its viewer. The session therefore
// connects again, after a growing wait: always until it is first served (a frame came) within
// the connect timeout, and after any drop when told to reconnect. Meanwhile it counts as open,
// drops input, and prints "reconnecting REASON"; each connection prints "connected HOST:PORT".
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "connection.h"
#include "wire.h"
#include "stats.h"

namespace brevanta::viewer {

struct SessionConfig {
    std::string host = "127.0.0.1";
    std::uint16_t port = 0;
    std::chrono::milliseconds connectTimeout{5000};
    bool reconnect = false;  // after a drop too, for as long as the session runs
    std::chrono::milliseconds pollInterval{40};  // zero: no steady polling
    std::optional<ScreenSize> fallbackSize;
    bool rateLines = false;  // emit a "rate" line every second
};

class Session {
public:
    enum class State { kConnecting, kOpen, kClosed, kFailed, kBadFrame };

    // Not connected yet: Connect() or Step() connects.
    explicit Session(const SessionConfig& config);

    // Connects, trying again until served or the connect timeout has passed (without end when
    // told to reconnect); false, with the reason in Error(), when no attempt succeeded.
    bool Connect();

    // Sends the records followed by an update request, in one write; more update requests
    // follow within a few milliseconds.
    void SendInput(std::span<const InputRecord> records);
    void SendRequest();
    void SendRaw(std::span<const std::uint8_t> bytes);

    struct StepResult {
        std::vector<DecodedFrame> frames;
        bool extraReady = false;
    };
    // Returns once frames arrived, extraFd became readable, the connection ended, or the
    // deadline passed, whichever comes first.
    StepResult Step(Clock::time_point deadline, int extraFd = -1);

    State GetState() const { return m_state; }
    // Connected, or about to connect again.
    bool Open() const { return m_state == State::kOpen || m_state == State::kConnecting; }
    bool Connected() const { return m_state == State::kOpen; }
    // Why the session is connecting again, while it is.
    const std::string& RetryReason() const { return m_retryReason; }
    const std::string& Error() const { return m_error; }
    const Picture& GetPicture() const { return m_decoder.GetPicture(); }
    std::optional<std::uint8_t> LastMode() const { return m_lastMode; }
    const Throughput& Stats() const { return m_throughput; }

private:
    void Send(std::span<const std::uint8_t> bytes);
    void ReadAvailable(std::vector<DecodedFrame>* frames);
    void End(State state, std::string error);
    void TryConnect();

    std::optional<Connection> m_connection;
    SessionConfig m_config;
    FrameDecoder m_decoder;
    Throughput m_throughput;
    PollSchedule m_polls;
    State m_state = State::kConnecting;
    std::string m_error;
    std::string m_retryReason;
    Backoff m_backoff;
    Clock::time_point m_nextAttempt;
    Clock::time_point m_connectDeadline;
    bool m_served = false;
    std::optional<std::uint8_t> m_lastMode;
    std::vector<std::uint8_t> m_receiveBuffer;
};

}  // namespace brevanta::viewer

// One connection to the server as both modes use it: input records out, frames in, an update
// request at a steady rate and right after every input. Single-threaded: Step() waits for the
// socket (and optionally one more descriptor, the X connection) and does the due work.
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
    std::chrono::milliseconds pollInterval{40};  // zero: no steady polling
    std::optional<ScreenSize> fallbackSize;
    bool rateLines = false;  // emit a "rate" line every second
};

class Session {
public:
    enum class State { kOpen, kClosed, kFailed, kBadFrame };

    Session(Connection connection, const SessionConfig& config);

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
    bool Open() const { return m_state == State::kOpen; }
    const std::string& Error() const { return m_error; }
    const Picture& GetPicture() const { return m_decoder.GetPicture(); }
    std::optional<std::uint8_t> LastMode() const { return m_lastMode; }
    const Throughput& Stats() const { return m_throughput; }

private:
    void Send(std::span<const std::uint8_t> bytes);
    void ReadAvailable(std::vector<DecodedFrame>* frames);
    void End(State state, std::string error);

    Connection m_connection;
    SessionConfig m_config;
    FrameDecoder m_decoder;
    Throughput m_throughput;
    State m_state = State::kOpen;
    std::string m_error;
    std::optional<std::uint8_t> m_lastMode;
    PollSchedule m_polls;
    std::vector<std::uint8_t> m_receiveBuffer;
};

}  // namespace brevanta::viewer

// Runs the commands of scripted mode against a session and prints what happens.
#pragma once

#include <string>
#include <vector>

#include "options.h"
#include "script.h"
#include "session.h"

namespace brevanta::viewer {

class ScriptRunner {
public:
    ScriptRunner(Session& session, const Options& options)
        : m_session(session), m_options(options) {}

    // Runs the commands in order and stops at the first that fails; returns the exit status.
    int Run(const std::vector<Command>& commands);

private:
    bool Execute(const Command& command, std::string* failure);
    bool WaitFrame(const Command& command, std::string* failure);
    bool WaitUpdate(const Command& command, bool mustChange, std::string* failure);
    bool WaitIdle(std::chrono::milliseconds quiet, std::chrono::milliseconds timeout,
                  std::string* failure);
    bool WaitClosed(const Command& command, std::string* failure);
    bool SendInput(std::span<const InputRecord> records, std::string* failure);
    bool Drag(const Command& command, std::string* failure);
    bool TapLatency(const Command& command, std::string* failure);
    bool ExpectPixel(const Command& command, std::string* failure);

    // One step of the session, with its frames and its end reported; returns the frame count.
    std::size_t Pump(Clock::time_point deadline);
    // Prints "closed" or "error REASON" once the session has ended.
    void ReportEnd();
    bool NeedOpen(std::string* failure) const;
    std::chrono::milliseconds Timeout(const Command& command) const;

    Session& m_session;
    const Options& m_options;
    bool m_endReported = false;
};

}  // namespace brevanta::viewer

// The provisioning server simulator (brevanta-server) run by a test: started with its options,
// waited for until it reports "ready", and the ports it reported.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

namespace brevanta::test {

class SimulatorProcess {
public:
    static constexpr std::chrono::milliseconds kEventTimeout{10000};

    // Runs `program` with the arguments (options and the directory) and waits for "ready".
    // With a namespace path the simulator runs in that network namespace. False with the
    // simulator's output in *error when it does not become ready.
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               std::string* error, const std::string& netnsPath = {});

    // The ports from the "ready" line; 0 for a side that is off or refused.
    std::uint16_t TcpPort() const { return m_tcpPort; }
    std::uint16_t UdpPort() const { return m_udpPort; }

    // The next output line that starts with the prefix.
    std::optional<std::string> WaitFor(const std::string& prefix,
                                       std::chrono::milliseconds timeout = kEventTimeout);
    // The next line whose event (see EventOf) is exactly `event`; the whole line.
    std::optional<std::string> WaitForEvent(const std::string& event,
                                            std::chrono::milliseconds timeout = kEventTimeout);

    // A connection's line without the fields that end it and differ from run to run: the
    // device's address (" peer=ADDR:PORT") and, on response lines, the time taken (" ms=N").
    static std::string EventOf(const std::string& line);
    // The value of the field "NAME=" at the end of a line, or "" when it has none.
    static std::string FieldOf(const std::string& line, const std::string& name);
    ChildProcess& Process() { return m_process; }

private:
    ChildProcess m_process;
    std::uint16_t m_tcpPort = 0;
    std::uint16_t m_udpPort = 0;
};

}  // namespace brevanta::test

// A child program started by a test: its standard output is read line by line with deadlines,
// and it is ended by its PID when the test is done with it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brevanta::test {

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ~ChildProcess();

    // Starts argv[0] with the given arguments. With a namespace file (for example
    // "/run/netns/name"), the child joins that network namespace before it runs the program.
    // Extra environment entries are "NAME=value" strings that add to or replace the test's own.
    bool Start(const std::vector<std::string>& argv, const std::string& netnsPath = {},
               const std::vector<std::string>& extraEnvironment = {});

    // The next line of standard output (without its newline), or nothing when the deadline
    // passes or the output ends first.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
    // Reads lines until one satisfies the predicate; returns it, or nothing on timeout or end.
    std::optional<std::string> WaitForLine(const std::function<bool(const std::string&)>& match,
                                           std::chrono::milliseconds timeout);
    std::optional<std::string> WaitForPrefix(const std::string& prefix,
                                             std::chrono::milliseconds timeout);
    // Every line read so far, for failure messages.
    const std::vector<std::string>& Lines() const { return m_lines; }

    // Exit code once the child has ended by itself within the timeout; -1 otherwise. A child
    // killed by a signal gives 128 + the signal number.
    int WaitForExit(std::chrono::milliseconds timeout);
    // Ends the child (SIGTERM, then SIGKILL after a grace period) and reaps it.
    void Stop();

    pid_t Pid() const { return m_pid; }
    bool Running() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
    int m_stdout = -1;
    std::string m_pending;
    std::vector<std::string> m_lines;
    bool m_outputEnded = false;
    int m_exitCode = -1;
};

}  // namespace brevanta::test

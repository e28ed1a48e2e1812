// An X server of a test's own: Xvfb started on a free display number (the server picks it and
// reports it through -displayfd), waited for until it accepts connections, and ended by its PID
// when the object goes away.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "child_process.h"

namespace brevanta::test {

class XvfbProcess {
public:
    static constexpr std::chrono::milliseconds kStartTimeout{10000};

    // Runs `Xvfb :N -screen 0 WxHxD -nolisten tcp -noreset` plus the extra arguments (for
    // example {"-extension", "MIT-SHM"} for a server without shared memory) and waits until a
    // client can connect. False with the reason in *error.
    bool Start(int width, int height, int depth, std::string* error,
               const std::vector<std::string>& extraArguments = {});
    // Ends the server and waits for it; the destructor does the same.
    void Stop();

    // ":N", the value for DISPLAY.
    const std::string& DisplayName() const { return m_displayName; }
    pid_t Pid() const { return m_process.Pid(); }

private:
    ChildProcess m_process;
    std::string m_displayName;
};

}  // namespace brevanta::test

#include "simulator_process.h"

#include <charconv>
#include <string_view>

namespace brevanta::test {
namespace {

// The number after "key=" in the line, or 0.
std::uint16_t PortField(std::string_view line, std::string_view key) {
    std::size_t at = line.find(key);
    if (at == std::string_view::npos) {
        return 0;
    }
    std::string_view value = line.substr(at + key.size());
    std::uint16_t port = 0;
    std::from_chars(value.data(), value.data() + value.size(), port);
    return port;
}

}  // namespace

bool SimulatorProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                             std::string* error, const std::string& netnsPath) {
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    if (!m_process.Start(argv, netnsPath)) {
        *error = "cannot start " + program;
        return false;
    }
    std::optional<std::string> ready = WaitFor("ready ");
    if (!ready) {
        *error = program + " did not become ready; exit code " +
                 std::to_string(m_process.WaitForExit(std::chrono::milliseconds(1000)));
        for (const std::string& line : m_process.Lines()) {
            *error += "\n  " + line;
        }
        return false;
    }
    m_tcpPort = PortField(*ready, " tcp=");
    m_udpPort = PortField(*ready, " udp=");
    return true;
}

std::optional<std::string> SimulatorProcess::WaitForEvent(const std::string& event,
                                                          std::chrono::milliseconds timeout) {
    return m_process.WaitForLine([&](const std::string& line) { return EventOf(line) == event; },
                                 timeout);
}

std::string SimulatorProcess::EventOf(const std::string& line) {
    return line.substr(0, line.find(" peer="));
}

std::string SimulatorProcess::FieldOf(const std::string& line, const std::string& name) {
    const std::string key = " " + name + "=";
    std::size_t at = line.rfind(key);
    if (at == std::string::npos) {
        return "";
    }
    std::size_t start = at + key.size();
    return line.substr(start, line.find(' ', start) - start);
}

std::optional<std::string> SimulatorProcess::WaitFor(const std::string& prefix,
                                                     std::chrono::milliseconds timeout) {
    return m_process.WaitForPrefix(prefix, timeout);
}

}  // namespace brevanta::test

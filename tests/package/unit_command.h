// The command line that systemd runs for a service, read from its unit file as systemd reads
// it: ExecStart= with the variables of Environment= and EnvironmentFile= expanded ($NAME splits
// its value into words at white space, ${NAME} is one word). Enough of systemd's rules for
// the project's unit: no quoting, no specifiers.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brevanta::test {

// readFile gives the contents of a file named by EnvironmentFile=, or nothing when it cannot be
// read. Nothing when the unit has no ExecStart=, or names a file it needs that is not there.
std::optional<std::vector<std::string>> ServiceCommandLine(
    const std::string& unitText,
    const std::function<std::optional<std::string>(const std::string&)>& readFile);

}  // namespace brevanta::test

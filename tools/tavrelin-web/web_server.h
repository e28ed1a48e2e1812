// The gateway's server: listens, serves the page and the devices' WebSockets, and runs until
// SIGINT or SIGTERM. Declared without the networking library, so that only its own source
// compiles that.
#pragma once

#include <optional>
#include <string>

#include "options.h"

namespace brevanta::web {

// Prints "listening URL" on standard output once it listens. Returns the exit status; on a
// failure to start, prints the reason on standard error first.
int RunGateway(const Options& options, const std::optional<std::string>& token);

}  // namespace brevanta::web

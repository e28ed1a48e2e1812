// The server's output: one line per event on standard output, written at once so that a test
// reading the pipe, or the journal, sees each event as it happens.
#pragma once

#include <string_view>

#include "log_format.h"

namespace brevanta::server {

void EmitEvent(std::string_view line, Severity severity = Severity::kInfo);

}  // namespace brevanta::server

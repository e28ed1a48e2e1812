// The simulator's output: one line per event on standard output, flushed at once so that a test
// reading the pipe sees each event as it happens.
#pragma once

#include <string_view>

namespace brevanta::server {

// Safe to call from any thread; lines never interleave.
void EmitEvent(std::string_view line);

}  // namespace brevanta::server

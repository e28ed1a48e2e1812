// The machine-readable lines on standard output, each written and flushed whole.
#pragma once

#include <string_view>

namespace brevanta::viewer {

void EmitLine(std::string_view line);

}  // namespace brevanta::viewer

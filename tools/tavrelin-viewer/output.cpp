#include "output.h"

#include <cstdio>

namespace brevanta::viewer {

void EmitLine(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace brevanta::viewer

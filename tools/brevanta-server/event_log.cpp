#include "event_log.h"

#include <cstdio>
#include <mutex>

namespace brevanta::server {
namespace {

std::mutex g_outputMutex;

}  // namespace

void EmitEvent(std::string_view line) {
    std::lock_guard lock(g_outputMutex);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace brevanta::server

// Writes to a non-blocking connection socket that wait for room without outliving the stop.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "stop_signal.h"

namespace brevanta::server {

struct SendResult {
    std::uint64_t sent = 0;
    std::string error;  // empty when everything went out

    bool Ok() const { return error.empty(); }
};

SendResult SendBytes(int socket, std::string_view bytes, const StopSignal& stop);
// count bytes of the file from offset, through sendfile so that the data never enters user space.
SendResult SendFileBytes(int socket, int file, std::uint64_t offset, std::uint64_t count,
                         const StopSignal& stop);
SendResult SendFiller(int socket, char filler, std::uint64_t count, const StopSignal& stop);

}  // namespace brevanta::server

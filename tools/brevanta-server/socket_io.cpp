#include "socket_io.h"

#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace brevanta::server {
namespace {

// One sendfile() call moves at most this much; larger files take several calls.
constexpr std::uint64_t kMaxSendfileCount = 1u << 30;
constexpr std::size_t kFillerBlock = 64 * 1024;

// After a short or refused write: waits for room. Returns an error text, or empty to go on.
std::string AfterWriteFailure(int socket, int error, const StopSignal& stop) {
    if (error == EINTR) {
        return {};
    }
    if (error != EAGAIN && error != EWOULDBLOCK) {
        return std::strerror(error);
    }
    if (stop.WaitFor(socket, POLLOUT, std::chrono::milliseconds(-1)) ==
        StopSignal::Wait::kStopped) {
        return "stopping";
    }
    return {};
}

}  // namespace

SendResult SendBytes(int socket, std::string_view bytes, const StopSignal& stop) {
    SendResult result;
    while (result.sent < bytes.size()) {
        ssize_t written =
            send(socket, bytes.data() + result.sent, bytes.size() - result.sent, MSG_NOSIGNAL);
        if (written > 0) {
            result.sent += static_cast<std::uint64_t>(written);
            continue;
        }
        result.error = AfterWriteFailure(socket, written < 0 ? errno : EAGAIN, stop);
        if (!result.Ok()) {
            break;
        }
    }
    return result;
}

SendResult SendFileBytes(int socket, int file, std::uint64_t offset, std::uint64_t count,
                         const StopSignal& stop) {
    SendResult result;
    auto position = static_cast<off_t>(offset);
    while (result.sent < count) {
        std::uint64_t part = std::min(count - result.sent, kMaxSendfileCount);
        ssize_t written = sendfile(socket, file, &position, part);
        if (written > 0) {
            result.sent += static_cast<std::uint64_t>(written);
            continue;
        }
        if (written == 0) {
            result.error = "the file ended early";
            break;
        }
        result.error = AfterWriteFailure(socket, errno, stop);
        if (!result.Ok()) {
            break;
        }
    }
    return result;
}

SendResult SendFiller(int socket, char filler, std::uint64_t count, const StopSignal& stop) {
    const std::string block(kFillerBlock, filler);
    SendResult result;
    while (result.sent < count) {
        std::uint64_t part = std::min<std::uint64_t>(count - result.sent, block.size());
        SendResult piece = SendBytes(socket, std::string_view(block).substr(0, part), stop);
        result.sent += piece.sent;
        if (!piece.Ok()) {
            result.error = piece.error;
            break;
        }
    }
    return result;
}

}  // namespace brevanta::server

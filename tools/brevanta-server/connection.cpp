#include "connection.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "event_log.h"
#include "response_plan.h"
#include "socket_io.h"

namespace brevanta::server {
namespace {

// How long a closing connection waits for the peer's end after ours, so that unread request
// bytes do not turn our close into a reset that could discard what the peer has not read yet.
constexpr std::chrono::milliseconds kCloseLinger(500);

}  // namespace

void Connection::Emit(std::string_view event, std::string_view detail) const {
    std::string line(event);
    line += " #" + std::to_string(m_id);
    if (!detail.empty()) {
        line += ' ';
        line += detail;
    }
    EmitEvent(line);
}

void Connection::Run() {
    int flags = fcntl(m_socket.Get(), F_GETFL);
    fcntl(m_socket.Get(), F_SETFL, flags | O_NONBLOCK);
    // Header pieces and small chunks must leave as the segments they were written as.
    int one = 1;
    setsockopt(m_socket.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

    if (Serve() == Ending::kWeClose) {
        CloseGracefully();
    }
    m_socket.Reset();
    Emit("closed", {});
}

Connection::Ending Connection::Serve() {
    char buffer[16 * 1024];
    for (;;) {
        if (m_stop.WaitFor(m_socket.Get(), POLLIN, std::chrono::milliseconds(-1)) ==
            StopSignal::Wait::kStopped) {
            return Ending::kStopping;
        }
        ssize_t got = recv(m_socket.Get(), buffer, sizeof buffer, 0);
        if (got == 0) {
            return Ending::kPeerClosed;
        }
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                continue;
            }
            Emit("failed", std::string("receive: ") + std::strerror(errno));
            return Ending::kPeerClosed;
        }
        m_reader.Append(std::string_view(buffer, static_cast<std::size_t>(got)));
        for (;;) {
            Request request;
            std::string reason;
            RequestReader::Status status = m_reader.Next(&request, &reason);
            if (status == RequestReader::Status::kNeedMore) {
                break;
            }
            if (status == RequestReader::Status::kBad) {
                Emit("bad", reason);
                return Ending::kWeClose;
            }
            Emit("request", EscapeName(request.name));
            if (Answer(request) == Outcome::kClose) {
                return m_stop.Triggered() ? Ending::kStopping : Ending::kWeClose;
            }
        }
    }
}

Connection::Outcome Connection::Answer(const Request& request) {
    const std::string shownName = EscapeName(request.name);
    FileStore::OpenedFile file = m_files.OpenFile(request.name);
    if (file.status == FileStore::OpenedFile::Status::kMissing) {
        Emit("missing", shownName);
        return Outcome::kClose;
    }
    if (file.status == FileStore::OpenedFile::Status::kRefused) {
        Emit("bad", file.reason + ": " + shownName);
        return Outcome::kClose;
    }
    if (file.size + kHeaderSize > kMaxMessageLength) {
        Emit("bad", "too large for the length field: " + shownName);
        return Outcome::kClose;
    }

    std::vector<ResponseStep> steps = PlanResponse(m_faults, file.size);
    if (steps.empty()) {
        Emit("held", shownName);
        return Outcome::kKeepOpen;
    }
    std::uint64_t bodySent = 0;
    Outcome outcome = Outcome::kKeepOpen;
    for (const ResponseStep& step : steps) {
        SendResult result;
        switch (step.kind) {
            case ResponseStep::Kind::kWrite:
                result = SendBytes(m_socket.Get(), step.bytes, m_stop);
                break;
            case ResponseStep::Kind::kPause:
                if (!m_stop.Sleep(std::chrono::milliseconds(step.count))) {
                    result.error = "stopping";
                }
                break;
            case ResponseStep::Kind::kBody:
                result = SendFileBytes(m_socket.Get(), file.fd.Get(), bodySent, step.count, m_stop);
                bodySent += result.sent;
                break;
            case ResponseStep::Kind::kFiller:
                result = SendFiller(m_socket.Get(), kFillerByte, step.count, m_stop);
                break;
            case ResponseStep::Kind::kClose:
                outcome = Outcome::kClose;
                break;
        }
        if (!result.Ok()) {
            Emit("failed", shownName + " " + result.error);
            return Outcome::kClose;
        }
    }
    const bool whole = bodySent == file.size && !m_faults.closeHeader;
    Emit(whole ? "sent" : "cut", shownName + " " + std::to_string(bodySent));
    return outcome;
}

void Connection::CloseGracefully() {
    shutdown(m_socket.Get(), SHUT_WR);
    const auto deadline = std::chrono::steady_clock::now() + kCloseLinger;
    char discard[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 ||
            m_stop.WaitFor(m_socket.Get(), POLLIN, left) != StopSignal::Wait::kReady) {
            return;
        }
        ssize_t got = recv(m_socket.Get(), discard, sizeof discard, 0);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
            return;
        }
    }
}

}  // namespace brevanta::server

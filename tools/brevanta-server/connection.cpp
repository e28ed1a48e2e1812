#include "connection.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "event_log.h"
#include "response_plan.h"

namespace brevanta::server {
namespace {

// How long a closing connection waits for the peer's end after ours, so that unread request
// bytes do not turn our close into a reset that could discard what the peer has not read yet.
constexpr std::chrono::milliseconds kCloseLinger(500);
// What one connection may send or receive before the others get their turn.
constexpr std::uint64_t kBytesPerTurn = 1 << 20;
constexpr std::size_t kReceiveSize = 16 * 1024;

// Every connection reads through this one buffer: the loop runs one connection at a time.
char g_receiveBuffer[kReceiveSize];

}  // namespace

Connection::Connection(EventLoop& loop, UniqueFd socket, int id, std::string peer,
                       const FileStore& files, const Misbehaviour& faults)
    : m_loop(loop),
      m_socket(std::move(socket)),
      m_id(id),
      m_peer(std::move(peer)),
      m_files(files),
      m_faults(faults) {}

Connection::~Connection() {
    m_loop.Unwatch(m_token);
}

std::string Connection::Line(std::string_view event, std::string_view detail) const {
    std::string line(event);
    line += " #" + std::to_string(m_id);
    if (!detail.empty()) {
        line += ' ';
        line += detail;
    }
    return line + " peer=" + m_peer;
}

void Connection::Emit(std::string_view event, std::string_view detail, Severity severity) const {
    EmitEvent(Line(event, detail), severity);
}

void Connection::EmitResponse(std::string_view event, std::string_view detail,
                              Severity severity) const {
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(EventLoop::Clock::now() -
                                                                         m_responseStart);
    EmitEvent(Line(event, m_responseName + " " + std::string(detail)) +
                  " ms=" + std::to_string(elapsed.count()),
              severity);
}

bool Connection::Start(EventLoop::Callback callback) {
    // Header pieces and small chunks must leave as the segments they were written as.
    int one = 1;
    setsockopt(m_socket.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_token = m_loop.Watch(m_socket.Get(), EPOLLIN | EPOLLOUT | EPOLLRDHUP | EPOLLET,
                           std::move(callback));
    if (m_token == 0) {
        Emit("failed", std::string("watch: ") + std::strerror(errno), Severity::kError);
        Finish();
        return false;
    }
    // Edge-triggered: what arrived before the watch gives no event, so look now.
    OnWake({});
    return true;
}

void Connection::OnWake(EventLoop::Wake wake) {
    if (m_state == State::kLingering) {
        Linger(wake);
        return;
    }
    std::uint64_t budget = kBytesPerTurn;
    for (;;) {
        bool goOn = false;
        switch (m_state) {
            case State::kReading:
                goOn = AnswerBufferedRequest() || Receive(&budget);
                break;
            case State::kResponding:
                goOn = Respond(&budget);
                break;
            case State::kLingering:
            case State::kFinished:
                break;
        }
        if (!goOn) {
            return;
        }
    }
}

bool Connection::AnswerBufferedRequest() {
    Request request;
    std::string reason;
    switch (m_reader.Next(&request, &reason)) {
        case RequestReader::Status::kNeedMore:
            return false;
        case RequestReader::Status::kBad:
            Emit("bad", reason, Severity::kWarning);
            BeginLinger();
            return true;
        case RequestReader::Status::kRequest:
            Emit("request", EscapeName(request.name));
            Answer(request);
            return true;
    }
    return false;
}

bool Connection::Receive(std::uint64_t* budget) {
    if (*budget == 0) {
        m_loop.Yield(m_token);
        return false;
    }
    ssize_t got = recv(m_socket.Get(), g_receiveBuffer, kReceiveSize, 0);
    if (got > 0) {
        m_reader.Append(std::string_view(g_receiveBuffer, static_cast<std::size_t>(got)));
        *budget -= std::min<std::uint64_t>(*budget, static_cast<std::uint64_t>(got));
        return true;
    }
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return false;
    }
    if (got < 0 && errno == EINTR) {
        return true;
    }
    if (got < 0) {
        Emit("failed", std::string("receive: ") + std::strerror(errno), Severity::kWarning);
    }
    Finish();
    return false;
}

void Connection::Answer(const Request& request) {
    const std::string shownName = EscapeName(request.name);
    FileStore::OpenedFile file = m_files.OpenFile(request.name);
    if (file.status == FileStore::OpenedFile::Status::kMissing) {
        Emit("missing", shownName, Severity::kWarning);
        BeginLinger();
        return;
    }
    if (file.status == FileStore::OpenedFile::Status::kRefused) {
        Emit("bad", file.reason + ": " + shownName, Severity::kWarning);
        BeginLinger();
        return;
    }
    if (file.size + kHeaderSize > kMaxMessageLength) {
        Emit("bad", "too large for the length field: " + shownName, Severity::kWarning);
        BeginLinger();
        return;
    }
    std::vector<ResponseStep> steps = PlanResponse(m_faults, file.size);
    if (steps.empty()) {
        Emit("held", shownName);
        return;
    }
    m_response = std::make_unique<ResponseRun>(std::move(steps), std::move(file.fd));
    m_responseName = shownName;
    m_responseFileSize = file.size;
    m_responseStart = EventLoop::Clock::now();
    m_state = State::kResponding;
}

bool Connection::Respond(std::uint64_t* budget) {
    using Step = ResponseRun::Progress::State;
    ResponseRun::Progress progress = m_response->Advance(m_socket.Get(), budget);
    switch (progress.state) {
        case Step::kDone: {
            ReportResponse();
            const bool closes = m_response->Closes();
            m_response.reset();
            if (closes) {
                BeginLinger();
            } else {
                m_state = State::kReading;
            }
            return true;
        }
        case Step::kWaitWritable:
            return false;
        case Step::kWaitUntil:
            m_loop.SetDeadline(m_token, progress.until);
            return false;
        case Step::kBudgetSpent:
            m_loop.Yield(m_token);
            return false;
        case Step::kFailed:
            EmitResponse("failed", progress.error, Severity::kWarning);
            m_response.reset();
            BeginLinger();
            return true;
    }
    return false;
}

void Connection::ReportResponse() {
    const std::uint64_t sent = m_response->BodySent();
    const bool whole = sent == m_responseFileSize && !m_faults.closeHeader;
    EmitResponse(whole ? "sent" : "cut", std::to_string(sent));
}

void Connection::BeginLinger() {
    shutdown(m_socket.Get(), SHUT_WR);
    m_state = State::kLingering;
    m_lingerEnd = EventLoop::Clock::now() + kCloseLinger;
    Linger({});
}

void Connection::Linger(EventLoop::Wake wake) {
    if (wake.deadline && EventLoop::Clock::now() >= m_lingerEnd) {
        Finish();
        return;
    }
    std::uint64_t budget = kBytesPerTurn;
    for (;;) {
        ssize_t got = recv(m_socket.Get(), g_receiveBuffer, kReceiveSize, 0);
        if (got > 0) {
            budget -= std::min<std::uint64_t>(budget, static_cast<std::uint64_t>(got));
            if (budget == 0) {
                m_loop.Yield(m_token);
                return;
            }
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_loop.SetDeadline(m_token, m_lingerEnd);
            return;
        }
        Finish();
        return;
    }
}

void Connection::Abandon() {
    if (m_state == State::kFinished) {
        return;
    }
    if (m_response) {
        EmitResponse("failed", "stopping", Severity::kWarning);
        m_response.reset();
    }
    Finish();
}

void Connection::Finish() {
    m_loop.Unwatch(m_token);
    m_token = 0;
    m_socket.Reset();
    m_state = State::kFinished;
    Emit("closed", {});
}

}  // namespace brevanta::server

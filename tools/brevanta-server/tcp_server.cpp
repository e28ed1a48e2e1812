#include "tcp_server.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "event_log.h"

namespace brevanta::server {
namespace {

// Connections taken on per wake of the listener; more wait for the next round, after the
// connections already open had their turn.
constexpr int kAcceptsPerTurn = 64;
// When descriptors ran out for another reason than our connections, try again after this.
constexpr std::chrono::milliseconds kAcceptRetry(1000);

std::string Endpoint(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

}  // namespace

TcpServer::~TcpServer() {
    for (auto& [id, connection] : m_connections) {
        connection->Abandon();
    }
    m_connections.clear();
    m_loop.Unwatch(m_listenerToken);
}

bool TcpServer::Listen(const in_addr& address, std::uint16_t port, std::string* error) {
    UniqueFd listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener.IsValid()) {
        *error = std::string("tcp socket: ") + std::strerror(errno);
        return false;
    }
    // A restarted server must get its port back while old connections sit in TIME_WAIT.
    int one = 1;
    setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr = address;
    local.sin_port = htons(port);
    // The longest backlog the system allows: a site powering up connects all its devices at once.
    if (bind(listener.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        listen(listener.Get(), SOMAXCONN) != 0) {
        *error = "tcp port " + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    socklen_t size = sizeof local;
    getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&local), &size);
    m_port = ntohs(local.sin_port);
    m_listenerToken = m_loop.Watch(listener.Get(), EPOLLIN,
                                   [this](EventLoop::Wake wake) { OnListenerWake(wake); });
    if (m_listenerToken == 0) {
        *error = std::string("tcp listener: ") + std::strerror(errno);
        return false;
    }
    m_listener = std::move(listener);
    return true;
}

void TcpServer::OnListenerWake(EventLoop::Wake wake) {
    if (wake.deadline) {
        ResumeAccepting();
        return;
    }
    AcceptPending();
}

void TcpServer::AcceptPending() {
    for (int i = 0; i < kAcceptsPerTurn; ++i) {
        if (m_connections.size() >= m_maxConnections) {
            if (!m_fullReported) {
                EmitEvent("full: " + std::to_string(m_connections.size()) +
                              " connections, as many as the descriptor limit allows; more devices "
                              "wait until one closes",
                          Severity::kWarning);
                m_fullReported = true;
            }
            PauseAccepting(0);
            return;
        }
        sockaddr_in peer{};
        socklen_t size = sizeof peer;
        UniqueFd socket(accept4(m_listener.Get(), reinterpret_cast<sockaddr*>(&peer), &size,
                                SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!socket.IsValid()) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                PauseAccepting(errno);
            } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR &&
                       errno != ECONNABORTED) {
                EmitEvent(std::string("error accept: ") + std::strerror(errno), Severity::kError);
            }
            return;
        }
        m_shortageReported = false;
        const int id = ++m_lastId;
        const std::string endpoint = Endpoint(peer);
        EmitEvent("accept #" + std::to_string(id) + " " + endpoint);
        auto connection = std::make_unique<Connection>(m_loop, std::move(socket), id, endpoint,
                                                       m_files, m_faults);
        Connection& started = *connection;
        m_connections.emplace(id, std::move(connection));
        started.Start([this, id](EventLoop::Wake wake) { OnConnectionWake(id, wake); });
        if (started.Finished()) {
            m_connections.erase(id);
        }
    }
}

void TcpServer::PauseAccepting(int error) {
    if (error != 0 && !m_shortageReported) {
        EmitEvent(std::string("error accept: ") + std::strerror(error) + " (" +
                      std::to_string(m_connections.size()) +
                      " connections open; accepting again as one closes, or in a second)",
                  Severity::kError);
        m_shortageReported = true;
    }
    // Level-triggered, the listener would wake the loop again at once: no events until a
    // connection closes or the retry time has passed.
    m_acceptPaused = true;
    m_loop.Change(m_listenerToken, 0);
    if (error != 0) {
        m_loop.SetDeadline(m_listenerToken, EventLoop::Clock::now() + kAcceptRetry);
    }
}

void TcpServer::ResumeAccepting() {
    if (!m_acceptPaused) {
        return;
    }
    m_acceptPaused = false;
    m_loop.SetDeadline(m_listenerToken, std::nullopt);
    m_loop.Change(m_listenerToken, EPOLLIN);
}

void TcpServer::OnConnectionWake(int id, EventLoop::Wake wake) {
    auto found = m_connections.find(id);
    if (found == m_connections.end()) {
        return;
    }
    found->second->OnWake(wake);
    if (found->second->Finished()) {
        m_connections.erase(found);
        if (m_connections.size() < m_maxConnections / 2) {
            m_fullReported = false;
        }
        ResumeAccepting();
    }
}

}  // namespace brevanta::server

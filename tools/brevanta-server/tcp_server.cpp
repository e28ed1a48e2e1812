#include "tcp_server.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "connection.h"
#include "event_log.h"

namespace brevanta::server {
namespace {

std::string Endpoint(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

}  // namespace

bool TcpServer::Listen(const in_addr& address, std::uint16_t port, std::string* error) {
    UniqueFd listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener.IsValid()) {
        *error = std::string("tcp socket: ") + std::strerror(errno);
        return false;
    }
    // A restarted simulator must get its port back while old connections sit in TIME_WAIT.
    int one = 1;
    setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr = address;
    local.sin_port = htons(port);
    if (bind(listener.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        listen(listener.Get(), SOMAXCONN) != 0) {
        *error = "tcp port " + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    socklen_t size = sizeof local;
    getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&local), &size);
    m_port = ntohs(local.sin_port);
    m_listener = std::move(listener);
    return true;
}

void TcpServer::AcceptPending() {
    ReapFinished();
    for (;;) {
        sockaddr_in peer{};
        socklen_t size = sizeof peer;
        UniqueFd socket(
            accept4(m_listener.Get(), reinterpret_cast<sockaddr*>(&peer), &size, SOCK_CLOEXEC));
        if (!socket.IsValid()) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR &&
                errno != ECONNABORTED) {
                EmitEvent(std::string("error accept: ") + std::strerror(errno));
            }
            return;
        }
        int id = ++m_lastId;
        EmitEvent("accept #" + std::to_string(id) + " " + Endpoint(peer));
        Worker& worker = m_workers.emplace_back();
        worker.thread = std::jthread([this, &worker, id, socket = std::move(socket)]() mutable {
            Connection(std::move(socket), id, m_files, m_faults, m_stop).Run();
            worker.finished = true;
        });
    }
}

void TcpServer::ReapFinished() {
    // Joining a finished thread returns at once; the worker is then dropped.
    m_workers.remove_if([](const Worker& worker) { return worker.finished.load(); });
}

void TcpServer::Shutdown() {
    m_stop.Trigger();
    m_workers.clear();
    m_listener.Reset();
}

}  // namespace brevanta::server

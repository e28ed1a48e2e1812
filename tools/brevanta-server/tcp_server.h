// The transfer listener: accepts connections onto the event loop and keeps them until they end.
// When the process runs out of descriptors it stops accepting (the devices wait in the backlog)
// and takes them on again as soon as a connection closes.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "connection.h"
#include "event_loop.h"
#include "file_store.h"
#include "misbehaviour.h"
#include "common/unique_fd.h"

namespace brevanta::server {

using tools::UniqueFd;

class TcpServer {
public:
    TcpServer(EventLoop& loop, const FileStore& files, const Misbehaviour& faults)
        : m_loop(loop), m_files(files), m_faults(faults) {}
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;
    // Ends every connection that is still open.
    ~TcpServer();

    // Listens and puts the listener on the loop.
    bool Listen(const in_addr& address, std::uint16_t port, std::string* error);
    std::uint16_t Port() const { return m_port; }

private:
    void OnListenerWake(EventLoop::Wake wake);
    void AcceptPending();
    void PauseAccepting(int error);
    void ResumeAccepting();
    void OnConnectionWake(int id, EventLoop::Wake wake);

    EventLoop& m_loop;
    const FileStore& m_files;
    const Misbehaviour& m_faults;
    UniqueFd m_listener;
    EventLoop::Token m_listenerToken = 0;
    std::uint16_t m_port = 0;
    bool m_acceptPaused = false;
    // Whether the shortage of descriptors has been reported since the last accept.
    bool m_shortageReported = false;
    int m_lastId = 0;
    std::map<int, std::unique_ptr<Connection>> m_connections;
};

}  // namespace brevanta::server

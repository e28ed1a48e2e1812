// The transfer listener: accepts connections onto the event loop and keeps them until they end.
// It holds at most as many connections as the descriptor limit leaves room for, each with its
// socket and the file it sends; further devices wait in the backlog and are taken on as soon as
// a connection closes.
#pragma once

#include <netinet/in.h>

#include <cstddef>
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
    TcpServer(EventLoop& loop, const FileStore& files, const Misbehaviour& faults,
              std::size_t maxConnections)
        : m_loop(loop), m_files(files), m_faults(faults), m_maxConnections(maxConnections) {}
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
    // Stops watching the listener until a connection closes, or the retry time has passed when
    // the descriptors ran out for another reason (error != 0: reported once).
    void PauseAccepting(int error);
    void ResumeAccepting();
    void OnConnectionWake(int id, EventLoop::Wake wake);

    EventLoop& m_loop;
    const FileStore& m_files;
    const Misbehaviour& m_faults;
    std::size_t m_maxConnections;
    UniqueFd m_listener;
    EventLoop::Token m_listenerToken = 0;
    std::uint16_t m_port = 0;
    bool m_acceptPaused = false;
    // Whether the shortage of descriptors has been reported since the last accept.
    bool m_shortageReported = false;
    // Whether reaching the most connections has been reported since fewer than half were open.
    bool m_fullReported = false;
    int m_lastId = 0;
    std::map<int, std::unique_ptr<Connection>> m_connections;
};

}  // namespace brevanta::server

// The transfer listener: accepts connections and serves each on a thread of its own.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <string>
#include <thread>

#include "file_store.h"
#include "misbehaviour.h"
#include "stop_signal.h"
#include "common/unique_fd.h"

namespace brevanta::server {

using tools::UniqueFd;

class TcpServer {
public:
    TcpServer(const FileStore& files, const Misbehaviour& faults, StopSignal& stop)
        : m_files(files), m_faults(faults), m_stop(stop) {}
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;
    ~TcpServer() { Shutdown(); }

    bool Listen(const in_addr& address, std::uint16_t port, std::string* error);
    std::uint16_t Port() const { return m_port; }
    int Fd() const { return m_listener.Get(); }

    // Accepts every pending connection; called when the listener is readable.
    void AcceptPending();
    // Stops every connection and waits for their threads.
    void Shutdown();

private:
    struct Worker {
        std::atomic<bool> finished{false};
        std::jthread thread;
    };

    void ReapFinished();

    const FileStore& m_files;
    const Misbehaviour& m_faults;
    StopSignal& m_stop;
    UniqueFd m_listener;
    std::uint16_t m_port = 0;
    int m_lastId = 0;
    // A list, so that a worker's address stays put while its thread runs.
    std::list<Worker> m_workers;
};

}  // namespace brevanta::server

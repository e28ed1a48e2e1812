// Receives replies to the discovery token on its own thread and reports the source address of
// each one to the notify window with a synchronous MSG_SERVER_FOUND.
#pragma once

#include <atomic>
#include <vector>

#include "socket_base.h"

// wParam 0; lParam points to the server's dotted address, zero-terminated 8-bit text in a 16-byte
// buffer that is valid only while the handler runs.
constexpr UINT MSG_SERVER_FOUND = WM_APP + 700;

class CBroadcastListener : public CSocketBase {
public:
    // Results of Start.
    static constexpr int kStarted = 0;
    static constexpr int kNoSocket = 1;
    static constexpr int kNoBroadcast = 2;
    static constexpr int kNoBind = 3;
    static constexpr int kNoThread = 4;

    CBroadcastListener();
    // Stops and waits for the receive threads, which must not be blocked in a report to a
    // window of the destroying thread: that window has to be gone first.
    ~CBroadcastListener() override;

    void SetPort(u_short port);
    int Start();
    // Ends reception without waiting for the receive thread, so that it can be called from the
    // MSG_SERVER_FOUND handler while that thread waits for the handler.
    void Stop();

    static DWORD WINAPI ListenThread(LPVOID parameter);

    bool IsRunning() const { return m_running.load() != 0; }

private:
    void ForgetEndedThreads();

    static constexpr int kDatagramCapacity = 1024;
    static constexpr DWORD kStopGraceMilliseconds = 100;

    char m_localAddress[16];
    u_short m_port;
    std::atomic<int> m_running;
    // Receive threads not yet known to have ended; the destructor waits for them.
    std::vector<HANDLE> m_threads;
};

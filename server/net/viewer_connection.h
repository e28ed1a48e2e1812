// The network side of the server: listens on TCP port 23134, takes on one viewer at a time on
// an accept thread, reads its input records on a receive thread and sends it framed updates.
// The control window hears of viewers through ViewerEvents; the input records act through
// InputActions; the screen size and mode byte come from the capture's display state.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "capture/display_state.h"
#include "net/input_actions.h"
#include "net/socket_slot.h"
#include "net/viewer_events.h"
#include "net/viewer_protocol.h"

class CViewerConnection {
public:
    // Results of StartListening.
    static constexpr int kListening = 0;
    static constexpr int kAlreadyListening = 1;
    static constexpr int kNoSocket = 2;
    static constexpr int kBindFailed = 3;
    static constexpr int kListenFailed = 4;
    static constexpr int kNoAcceptThread = 5;
    // Results of SendFrame and SendAll.
    static constexpr int kSent = 0;
    static constexpr int kNoViewer = 1;
    static constexpr int kSendFailed = 2;

    // Accepted records act through inputActions and viewers are reported to viewerEvents; the
    // display scales pointer positions and gives the mode byte. All three must outlive the object.
    CViewerConnection(InputActions& inputActions, ViewerEvents& viewerEvents,
                      const DisplayState& display);
    // Closes both sockets and waits for the threads.
    virtual ~CViewerConnection();
    CViewerConnection(const CViewerConnection&) = delete;
    CViewerConnection& operator=(const CViewerConnection&) = delete;

    int StartListening();
    // Ends listening and the viewer; the threads end by themselves (the receive thread reports
    // the viewer gone).
    void Close();
    // Sends the header and the payload when a viewer is connected.
    int SendFrame(const BYTE* payload, int length);
    int SendAll(const BYTE* data, int length);
    // The device's dotted IPv4 address, or null when the host name cannot be resolved.
    LPCWSTR GetOwnAddress();
    // Waits until every thread this object started has ended. Its threads must not be blocked
    // in a message to a window of the calling thread.
    void WaitForThreads();

    bool IsListening() const { return m_listening.IsSet(); }
    bool HasViewer() const { return m_viewer.IsSet(); }

    static DWORD WINAPI AcceptThread(LPVOID parameter);
    static DWORD WINAPI ReceiveThread(LPVOID parameter);

private:
    // What a thread is started with: the object and the socket of the period it serves.
    struct ThreadStart {
        CViewerConnection* connection;
        SocketSlot::Value served;
    };

    static constexpr DWORD kReplacedViewerPause = 200;

    HANDLE StartThread(LPTHREAD_START_ROUTINE procedure, SocketSlot::Value served);
    // Makes the receive thread of a viewer accepted in the listening period and reports the
    // viewer; the thread, suspended, or null when it cannot start.
    HANDLE TakeOnViewer(SOCKET socket, SocketSlot::Value listening);

    SocketSlot m_listening;
    SocketSlot m_viewer;
    std::atomic<std::uint32_t> m_listeningPeriods{0};
    // Number of the viewer taken on last; a receive thread of an earlier one reports nothing.
    std::atomic<std::uint32_t> m_latestViewer{0};
    int m_port;
    WCHAR m_ownAddress[16];
    CRITICAL_SECTION m_lock;
    InputActions& m_inputActions;
    ViewerEvents& m_viewerEvents;
    const DisplayState& m_display;

    std::mutex m_threadsMutex;
    std::vector<HANDLE> m_threads;  // guarded by m_threadsMutex
};

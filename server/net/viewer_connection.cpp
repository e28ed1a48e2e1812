#include "net/viewer_connection.h"

#include <cstring>
#include <memory>

#include "net/dead_peer_detection.h"
#include "net/frame_header.h"
#include "net/input_parser.h"

namespace {

constexpr int kListenBacklog = 5;
constexpr DWORD kPauseBeforeTransfer = 1;

// inet_ntop rather than inet_ntoa: the accept thread and the window's thread both convert, and
// inet_ntop shares no buffer between them. The text is the same.
void DottedAddress(const in_addr& address, char (&text)[16]) {
    std::memset(text, 0, sizeof text);
    inet_ntop(AF_INET, &address, text, sizeof text);
}

constexpr WCHAR kLabelPrefix[] = TEXT("Client: ");
constexpr std::size_t kLabelPrefixLength = sizeof kLabelPrefix / sizeof kLabelPrefix[0] - 1;
// The prefix, a dotted address and the terminator.
using ViewerLabel = WCHAR[kLabelPrefixLength + 16];

// "Client: " and the viewer's dotted address; 0.0.0.0 when the address cannot be read.
void ComposeViewerLabel(SOCKET socket, ViewerLabel& label) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length);
    char address[16];
    DottedAddress(peer.sin_addr, address);
    std::memset(label, 0, sizeof label);
    std::memcpy(label, kLabelPrefix, sizeof kLabelPrefix);
    for (std::size_t i = 0; address[i] != 0; ++i) {
        label[kLabelPrefixLength + i] = static_cast<WCHAR>(address[i]);
    }
}

}  // namespace

CViewerConnection::CViewerConnection(InputActions& inputActions, ViewerEvents& viewerEvents,
                                     const DisplayState& display)
    : m_port(kViewerPort),
      m_ownAddress{},
      m_inputActions(inputActions),
      m_viewerEvents(viewerEvents),
      m_display(display) {
    WSADATA data;
    WSAStartup(0x0101, &data);
    InitializeCriticalSection(&m_lock);
}

CViewerConnection::~CViewerConnection() {
    Close();
    WaitForThreads();
    WSACleanup();
    DeleteCriticalSection(&m_lock);
}

HANDLE CViewerConnection::StartThread(LPTHREAD_START_ROUTINE procedure, SocketSlot::Value served) {
    auto start = std::make_unique<ThreadStart>(ThreadStart{this, served});
    HANDLE thread = CreateThread(nullptr, 0, procedure, start.get(), CREATE_SUSPENDED, nullptr);
    if (thread == nullptr) {
        return nullptr;
    }
    start.release();  // the thread frees it
    std::lock_guard lock(m_threadsMutex);
    std::erase_if(m_threads, [](HANDLE ended) {
        if (WaitForSingleObject(ended, 0) != WAIT_OBJECT_0) {
            return false;
        }
        CloseHandle(ended);
        return true;
    });
    m_threads.push_back(thread);
    return thread;
}

void CViewerConnection::WaitForThreads() {
    while (true) {
        std::vector<HANDLE> threads;
        {
            std::lock_guard lock(m_threadsMutex);
            threads.swap(m_threads);
        }
        if (threads.empty()) {
            return;
        }
        // An accept thread may start a receive thread meanwhile: look again afterwards.
        for (HANDLE thread : threads) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
    }
}

int CViewerConnection::StartListening() {
    if (m_listening.IsSet()) {
        return kAlreadyListening;
    }
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    if (listener == INVALID_SOCKET) {
        return kNoSocket;
    }
    // Linux keeps the port in TIME_WAIT for a minute after this side closed a viewer's
    // connection (Stop, a failed send, a rotation); without address reuse the next bind fails.
    int reuse = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<u_short>(m_port));
    if (bind(listener, reinterpret_cast<const sockaddr*>(&local), sizeof local) == SOCKET_ERROR) {
        closesocket(listener);
        return kBindFailed;
    }
    if (listen(listener, kListenBacklog) == SOCKET_ERROR) {
        closesocket(listener);
        return kListenFailed;
    }
    const SocketSlot::Value served = SocketSlot::Make(++m_listeningPeriods, listener);
    HANDLE thread = StartThread(AcceptThread, served);
    if (thread == nullptr) {
        closesocket(listener);
        return kNoAcceptThread;
    }
    // Published before the thread runs: it ends as soon as the slot no longer holds its socket.
    m_listening.Publish(served);
    ResumeThread(thread);
    return kListening;
}

void CViewerConnection::Close() {
    m_listening.EndAny();
    m_viewer.EndAny();
}

DWORD WINAPI CViewerConnection::AcceptThread(LPVOID parameter) {
    const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    CViewerConnection& connection = *start->connection;
    const SOCKET listener = SocketSlot::SocketOf(start->served);
    while (connection.m_listening.Load() == start->served) {
        SOCKET viewer = accept(listener, nullptr, nullptr);
        if (viewer == INVALID_SOCKET) {
            continue;
        }
        if (connection.m_viewer.EndAny()) {
            Sleep(kReplacedViewerPause);
        }
        // One listening period serves one viewer; a viewer whose thread cannot start is
        // dropped and the next one awaited. The period ends before the viewer's receive thread
        // runs: a viewer that leaves at once is reported gone by that thread, and the report must
        // find nothing listening to start listening anew.
        if (HANDLE receiver = connection.TakeOnViewer(viewer, start->served)) {
            connection.m_listening.EndIfHeld(start->served);
            ResumeThread(receiver);
        }
    }
    closesocket(listener);
    return 0;
}

HANDLE CViewerConnection::TakeOnViewer(SOCKET socket, SocketSlot::Value listening) {
    EnableDeadPeerDetection(socket);
    // A frame goes out as two sends, the header and then the payload. With Nagle's algorithm
    // the payload waits for the header's acknowledgement, which the viewer delays by up to
    // 40 ms; sending at once changes no byte on the wire.
    const int noDelay = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    ViewerLabel label;
    ComposeViewerLabel(socket, label);
    const SocketSlot::Value served = SocketSlot::Make(++m_latestViewer, socket);
    HANDLE thread = StartThread(ReceiveThread, served);
    if (thread == nullptr) {
        closesocket(socket);
        return nullptr;
    }
    m_viewer.Publish(served);
    // A Close() that ran while this viewer was being accepted has not seen it: end it here, so
    // that no viewer outlives a Close(). Its receive thread then reports it gone.
    if (m_listening.Load() != listening) {
        m_viewer.EndIfHeld(served);
    }
    m_viewerEvents.ViewerArrived(label);
    return thread;
}

DWORD WINAPI CViewerConnection::ReceiveThread(LPVOID parameter) {
    const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    CViewerConnection& connection = *start->connection;
    const SocketSlot::Value served = start->served;
    const SOCKET socket = SocketSlot::SocketOf(served);
    unsigned char buffer[kReceiveCapacity + 1];
    int pending = 0;
    while (connection.m_viewer.Load() == served) {
        Sleep(kPauseBeforeTransfer);
        EnterCriticalSection(&connection.m_lock);
        const ssize_t received =
            recv(socket, buffer + pending, static_cast<std::size_t>(kReceiveCapacity - pending), 0);
        LeaveCriticalSection(&connection.m_lock);
        if (received <= 0) {
            connection.m_viewer.EndIfHeld(served);
            break;
        }
        pending += static_cast<int>(received);
        ParseInputRecords(pending, buffer, connection.m_inputActions,
                          {connection.m_display.width.load(), connection.m_display.height.load()});
    }
    closesocket(socket);
    // A newer viewer has been taken on when this one was replaced: that one is not gone.
    if (connection.m_latestViewer.load() == SocketSlot::NumberOf(served)) {
        connection.m_viewerEvents.ViewerGone();
    }
    return 0;
}

int CViewerConnection::SendAll(const BYTE* data, int length) {
    int sent = 0;
    while (sent < length) {
        const SocketSlot::Value served = m_viewer.Load();
        if (served == 0) {
            break;
        }
        Sleep(kPauseBeforeTransfer);
        EnterCriticalSection(&m_lock);
        const ssize_t count = send(SocketSlot::SocketOf(served), data + sent,
                                   static_cast<std::size_t>(length - sent), 0);
        LeaveCriticalSection(&m_lock);
        // A blocking send comes back short only when the send timeout passed (or the connection
        // broke part way). Going on would hold the window's thread for another timeout whenever
        // the peer's kernel takes a few more bytes, without end for a viewer that stopped reading.
        if (count == SOCKET_ERROR || count < length - sent) {
            m_viewer.EndIfHeld(served);
            m_viewerEvents.ViewerGone();
            return kSendFailed;
        }
        sent += static_cast<int>(count);
    }
    return kSent;
}

int CViewerConnection::SendFrame(const BYTE* payload, int length) {
    if (!m_viewer.IsSet()) {
        return kNoViewer;
    }
    const auto header = FrameHeader(length, m_display.mode.load());
    const int result =
        SendAll(reinterpret_cast<const BYTE*>(header.data()), static_cast<int>(header.size()));
    if (result != kSent) {
        return result;
    }
    return SendAll(payload, length);
}

LPCWSTR CViewerConnection::GetOwnAddress() {
    std::memset(m_ownAddress, 0, sizeof m_ownAddress);
    char hostName[1024] = {};
    if (gethostname(hostName, sizeof hostName) == SOCKET_ERROR) {
        return nullptr;
    }
    // gethostbyname is what the device offers; only the window's thread calls it.
    const hostent* host = gethostbyname(hostName);
    if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) {
        return nullptr;
    }
    in_addr address{};
    std::memcpy(&address, host->h_addr_list[0], sizeof address);
    char text[16];
    DottedAddress(address, text);
    for (std::size_t i = 0; i < sizeof text && text[i] != 0; ++i) {
        m_ownAddress[i] = static_cast<WCHAR>(text[i]);
    }
    return m_ownAddress;
}

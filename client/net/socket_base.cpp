#include "socket_base.h"

#include <cstring>

namespace {

// Only the user-interface thread creates and destroys socket objects, so the start-up state
// needs no lock.
struct SocketServiceState {
    int startupAttempted = 0;
    int startupSucceeded = 0;
    int liveObjects = 0;
};
SocketServiceState g_socketService;

constexpr WORD kWinsockVersion = MAKEWORD(2, 2);

}  // namespace

CSocketBase::CSocketBase()
    : m_notifyWindow(nullptr), m_socket(INVALID_SOCKET), m_codePage(CP_UTF8) {
    if (g_socketService.startupAttempted == 0) {
        WSADATA data;
        g_socketService.startupSucceeded = WSAStartup(kWinsockVersion, &data) == 0 ? 1 : 0;
        g_socketService.startupAttempted = 1;
    }
    ++g_socketService.liveObjects;
    std::memset(m_serverAddress, 0, sizeof m_serverAddress);
    m_serverPort = 0;
}

CSocketBase::~CSocketBase() {
    Close();
    --g_socketService.liveObjects;
    if (g_socketService.liveObjects == 0 && g_socketService.startupAttempted != 0) {
        if (g_socketService.startupSucceeded != 0) {
            WSACleanup();
        }
        g_socketService.startupAttempted = 0;
        g_socketService.startupSucceeded = 0;
    }
}

void CSocketBase::Close() {
    SOCKET socket = m_socket.exchange(INVALID_SOCKET);
    if (socket != INVALID_SOCKET) {
        closesocket(socket);
    }
}

void CSocketBase::SetNotifyWindow(HWND window) {
    m_notifyWindow = window;
}

int CSocketBase::LiveObjectCount() {
    return g_socketService.liveObjects;
}

bool CSocketBase::IsServiceStarted() {
    return g_socketService.startupAttempted != 0 && g_socketService.startupSucceeded != 0;
}

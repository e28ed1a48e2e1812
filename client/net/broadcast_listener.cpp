#include "broadcast_listener.h"

#include <cstring>

CBroadcastListener::CBroadcastListener() : m_port(0), m_running(0) {
    std::memset(m_localAddress, 0, sizeof m_localAddress);
}

CBroadcastListener::~CBroadcastListener() {
    Stop();
    for (HANDLE thread : m_threads) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

void CBroadcastListener::SetPort(u_short port) {
    m_port = port;
}

void CBroadcastListener::ForgetEndedThreads() {
    std::erase_if(m_threads, [](HANDLE thread) {
        if (WaitForSingleObject(thread, 0) != WAIT_OBJECT_0) {
            return false;
        }
        CloseHandle(thread);
        return true;
    });
}

int CBroadcastListener::Start() {
    if (m_running.load() == 1) {
        return kStarted;
    }
    SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (socket == INVALID_SOCKET) {
        return kNoSocket;
    }
    m_socket = socket;
    int enable = 1;
    if (setsockopt(socket, SOL_SOCKET, SO_BROADCAST, &enable, sizeof enable) != 0) {
        Stop();
        return kNoBroadcast;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(m_port);
    if (inet_pton(AF_INET, m_localAddress, &local.sin_addr) != 1 || local.sin_addr.s_addr == 0) {
        local.sin_addr.s_addr = htonl(INADDR_ANY);
    }
    if (bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        Stop();
        return kNoBind;
    }
    ForgetEndedThreads();
    HANDLE thread = CreateThread(nullptr, 0, ListenThread, this, CREATE_SUSPENDED, nullptr);
    if (thread == nullptr) {
        Stop();
        return kNoThread;
    }
    m_threads.push_back(thread);
    // The flag is set before the thread runs its first instruction.
    m_running = 1;
    ResumeThread(thread);
    return kStarted;
}

void CBroadcastListener::Stop() {
    m_running = 0;
    Sleep(kStopGraceMilliseconds);
    Close();
}

DWORD WINAPI CBroadcastListener::ListenThread(LPVOID parameter) {
    auto* listener = static_cast<CBroadcastListener*>(parameter);
    while (listener->m_running.load() == 1) {
        SOCKET socket = listener->m_socket;
        if (socket == INVALID_SOCKET) {
            break;
        }
        char datagram[kDatagramCapacity];
        sockaddr_in source{};
        socklen_t sourceLength = sizeof source;
        // MSG_TRUNC reports a datagram's real length, so that one longer than the buffer is
        // skipped as on the device instead of being taken cut.
        ssize_t count = recvfrom(socket, datagram, sizeof datagram, MSG_TRUNC,
                                 reinterpret_cast<sockaddr*>(&source), &sourceLength);
        if (count <= 0 || count > kDatagramCapacity || source.sin_family != AF_INET) {
            continue;
        }
        char address[16] = {};
        inet_ntop(AF_INET, &source.sin_addr, address, sizeof address);
        SendMessageW(listener->m_notifyWindow, MSG_SERVER_FOUND, 0,
                     reinterpret_cast<LPARAM>(address));
    }
    return 0;
}

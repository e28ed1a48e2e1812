// Common base of the client's sockets: one socket handle, and a process-wide count of socket
// objects that starts the socket service with the first and shuts it down with the last.
#pragma once

#include <windows.h>
#include <winsock2.h>

#include <atomic>

class CSocketBase {
public:
    CSocketBase();
    virtual ~CSocketBase();
    CSocketBase(const CSocketBase&) = delete;
    CSocketBase& operator=(const CSocketBase&) = delete;

    // Closes the socket if there is one; closing twice is harmless.
    void Close();
    void SetNotifyWindow(HWND window);

    // The process-wide start-up state, for the tests.
    static int LiveObjectCount();
    static bool IsServiceStarted();

protected:
    HWND m_notifyWindow;
    // Atomic because the listener's receive thread reads it while the user-interface thread
    // closes the socket.
    std::atomic<SOCKET> m_socket;
    UINT m_codePage;
    char m_serverAddress[16];
    u_short m_serverPort;
};

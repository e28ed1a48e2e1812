// Start, end and descriptor services of the device's sockets over BSD sockets.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

#include "winsock2.h"

#if defined(__SANITIZE_THREAD__)
extern "C" void AnnotateIgnoreWritesBegin(const char* file, int line);
extern "C" void AnnotateIgnoreWritesEnd(const char* file, int line);
#endif

namespace ce::winsock {

namespace {

#if defined(__SANITIZE_THREAD__)
void IgnoreRacesOnDescriptorBegin() {
    AnnotateIgnoreWritesBegin(__FILE__, __LINE__);
}
void IgnoreRacesOnDescriptorEnd() {
    AnnotateIgnoreWritesEnd(__FILE__, __LINE__);
}
#else
void IgnoreRacesOnDescriptorBegin() {}
void IgnoreRacesOnDescriptorEnd() {}
#endif

constexpr WORD kVersion = MAKEWORD(2, 2);

std::mutex g_startMutex;
int g_startCount = 0;  // guarded by g_startMutex

// Linux raises SIGPIPE on a send over a connection whose peer has gone, and its default action
// ends the process; the device instead fails that send. The programs' sends are plain send()
// calls, so ignoring the signal is what gives them the device's failed send. A disposition the
// program chose itself is left alone.
void IgnoreBrokenPipeSignal() {
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
        (current.sa_flags & SA_SIGINFO) == 0) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, nullptr);
    }
}

void CopyText(char* destination, std::size_t capacity, const char* text) {
    std::strncpy(destination, text, capacity - 1);
    destination[capacity - 1] = '\0';
}

}  // namespace

}  // namespace ce::winsock

int WSAStartup(WORD, LPWSADATA data) {
    using namespace ce::winsock;
    {
        std::lock_guard lock(g_startMutex);
        if (g_startCount++ == 0) {
            IgnoreBrokenPipeSignal();
        }
    }
    if (data != nullptr) {
        *data = WSADATA{};
        data->wVersion = kVersion;
        data->wHighVersion = kVersion;
        CopyText(data->szDescription, sizeof data->szDescription, "BSD sockets");
        CopyText(data->szSystemStatus, sizeof data->szSystemStatus, "Running");
    }
    return 0;
}

// Without a matching start the call fails, and the last socket error says EINVAL.
int WSACleanup() {
    std::lock_guard lock(ce::winsock::g_startMutex);
    if (ce::winsock::g_startCount == 0) {
        errno = EINVAL;
        return SOCKET_ERROR;
    }
    --ce::winsock::g_startCount;
    return 0;
}

int WSAGetLastError() {
    return errno;
}

int closesocket(SOCKET socket) {
    // Shutting down wakes any thread blocked in a receive or accept on the socket; it fails on
    // sockets that were never connected while still waking them, so its result does not matter.
    shutdown(socket, SHUT_RDWR);
    // Closing while another thread is still inside a receive on the socket is what this call is
    // for; the kernel orders the two, which the race detector cannot see.
    ce::winsock::IgnoreRacesOnDescriptorBegin();
    // Not retried on EINTR: Linux has released the descriptor either way.
    const int result = close(socket);
    ce::winsock::IgnoreRacesOnDescriptorEnd();
    return result == 0 ? 0 : SOCKET_ERROR;
}

int ioctlsocket(SOCKET socket, long command, u_long* argument) {
    if (argument == nullptr) {
        errno = EFAULT;
        return SOCKET_ERROR;
    }
    if (command == static_cast<long>(FIONBIO)) {
        const int flags = fcntl(socket, F_GETFL);
        if (flags < 0) {
            return SOCKET_ERROR;
        }
        const int wanted = *argument != 0 ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
        return fcntl(socket, F_SETFL, wanted) == 0 ? 0 : SOCKET_ERROR;
    }
    if (command == static_cast<long>(FIONREAD)) {
        // The host writes an int; the caller's u_long is wider.
        int available = 0;
        if (ioctl(socket, FIONREAD, &available) != 0) {
            return SOCKET_ERROR;
        }
        *argument = static_cast<u_long>(available);
        return 0;
    }
    return ioctl(socket, static_cast<unsigned long>(command), argument) == 0 ? 0 : SOCKET_ERROR;
}

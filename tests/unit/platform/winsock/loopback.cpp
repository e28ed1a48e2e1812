#include "loopback.h"

#include <time.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <thread>

namespace ce::winsock::test {

sockaddr_in LoopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

std::uint16_t LocalPort(SOCKET socket) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

namespace {

Socket Bound(int type) {
    Socket result(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
    const sockaddr_in address = LoopbackAddress(0);
    if (!result.IsValid() ||
        bind(result.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return Socket();
    }
    return result;
}

}  // namespace

Socket Listen() {
    Socket listener = Bound(SOCK_STREAM);
    if (!listener.IsValid() || listen(listener.Get(), 8) != 0) {
        return Socket();
    }
    return listener;
}

std::uint16_t ClosedPort() {
    const Socket unused = Bound(SOCK_STREAM);
    return unused.IsValid() ? LocalPort(unused.Get()) : 0;
}

std::pair<Socket, Socket> ConnectedPair() {
    const Socket listener = Listen();
    Socket client(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = LoopbackAddress(LocalPort(listener.Get()));
    if (!listener.IsValid() || !client.IsValid() ||
        connect(client.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return {};
    }
    Socket server(accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    return {std::move(client), std::move(server)};
}

Socket BoundUdp() {
    return Bound(SOCK_DGRAM);
}

bool WaitUntilBlockedIn(pid_t tid, brevanta::test::BlockingCall call,
                        std::chrono::milliseconds limit) {
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/syscall";
    return WaitUntil([&] { return brevanta::test::SyscallFileShows(path, call); }, limit);
}

}  // namespace ce::winsock::test

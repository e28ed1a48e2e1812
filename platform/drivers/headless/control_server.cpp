#include "drivers/headless/control_server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "drivers/headless/headless_driver.h"

namespace ce::drivers {

namespace {

std::string Describe(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

bool SendAll(int socket, std::string_view text) {
    while (!text.empty()) {
        const ssize_t sent = ::send(socket, text.data(), text.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Waits until fd is readable; false when the stop event fired first.
bool WaitReadable(int fd, int stopEvent) {
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopEvent, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (fds[1].revents != 0) {
            return false;
        }
        if (fds[0].revents != 0) {
            return true;
        }
    }
}

}  // namespace

std::unique_ptr<ControlServer> ControlServer::Start(const std::string& path, HeadlessDriver& driver,
                                                    std::string* error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        *error = "control socket path too long: " + path;
        return nullptr;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        *error = Describe("cannot make the control socket", path);
        return nullptr;
    }
    ::unlink(path.c_str());
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 4) != 0) {
        *error = Describe("cannot listen on", path);
        ::close(listener);
        return nullptr;
    }
    const int stopEvent = ::eventfd(0, EFD_CLOEXEC);
    if (stopEvent < 0) {
        *error = Describe("cannot serve", path);
        ::close(listener);
        ::unlink(path.c_str());
        return nullptr;
    }
    std::unique_ptr<ControlServer> server(new ControlServer(path, driver, listener, stopEvent));
    server->m_thread = std::thread([raw = server.get()] { raw->Serve(); });
    return server;
}

ControlServer::ControlServer(std::string path, HeadlessDriver& driver, int listener, int stopEvent)
    : m_path(std::move(path)), m_driver(driver), m_listener(listener), m_stopEvent(stopEvent) {}

ControlServer::~ControlServer() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_stopEvent, &one, sizeof one);
    if (m_thread.joinable()) {
        m_thread.join();
    }
    ::close(m_listener);
    ::close(m_stopEvent);
    ::unlink(m_path.c_str());
}

void ControlServer::Serve() {
    while (WaitReadable(m_listener, m_stopEvent)) {
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        const bool goOn = ServeClient(client);
        ::close(client);
        if (!goOn) {
            return;
        }
    }
}

bool ControlServer::ServeClient(int client) {
    std::string pending;
    char buffer[512];
    for (;;) {
        if (!WaitReadable(client, m_stopEvent)) {
            return false;
        }
        const ssize_t received = ::recv(client, buffer, sizeof buffer, 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received <= 0) {
            return true;
        }
        pending.append(buffer, static_cast<std::size_t>(received));
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            const std::string answer = RunControlCommand(m_driver, pending.substr(0, end)) + "\n";
            pending.erase(0, end + 1);
            if (!SendAll(client, answer)) {
                return true;
            }
        }
    }
}

}  // namespace ce::drivers

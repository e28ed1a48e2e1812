// Sends the input to the running gateway as a browser would reach it: over a real loopback
// connection, as HTTP requests, or as a WebSocket upgrade followed by frames (masked as a
// browser masks them, so that their payloads reach the gateway's own checks), or as raw bytes.
// The gateway serves a device that refuses connections, so nothing beyond it is needed.
//
// Whatever the bytes, the gateway must end the connection once the client has finished sending,
// must answer only with HTTP/1.1 status lines (or WebSocket frames after an accepted upgrade),
// and must still serve its page to the next client.
#include <arpa/inet.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tavrelin-web/options.h"
#include "tavrelin-web/web_server.h"

namespace {

constexpr std::uint16_t kPort = 8023;
// A gateway that has not closed a finished connection by then hangs.
constexpr int kAnswerTimeoutMs = 5000;

// An upgrade the gateway accepts, from its own origin.
const std::string kUpgrade =
    "GET /ws/dev HTTP/1.1\r\nHost: 127.0.0.1:8023\r\nOrigin: http://127.0.0.1:8023\r\n"
    "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n";
const std::string kPageRequest = "GET / HTTP/1.1\r\nHost: 127.0.0.1:8023\r\n\r\n";

int Connect() {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (socket < 0) {
        return -1;
    }
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        return socket;
    }
    // Interrupted by a signal, the connection goes on being made.
    if (errno == EINTR) {
        pollfd entry{socket, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        while (::poll(&entry, 1, kAnswerTimeoutMs) < 0 && errno == EINTR) {
        }
        if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) {
            return socket;
        }
    }
    ::close(socket);
    return -1;
}

// Sends everything, closes the sending side, and reads until the gateway closes; what it said.
std::string Exchange(const std::string& bytes) {
    const int socket = Connect();
    if (socket < 0) {
        std::fprintf(stderr, "cannot connect to the gateway: %s\n", std::strerror(errno));
        std::abort();
    }
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count =
            ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) {
            break;  // the gateway may close on a bad request before it has read everything
        }
        sent += static_cast<std::size_t>(count);
    }
    ::shutdown(socket, SHUT_WR);
    std::string answer;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerTimeoutMs);
    for (;;) {
        pollfd entry{socket, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long long>(0, left.count())));
        // libFuzzer's watchdog signal interrupts waits now and then.
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            std::fprintf(stderr, "the gateway neither answered nor closed (got %zu bytes)\n",
                         answer.size());
            std::abort();
        }
        char buffer[65536];
        const ssize_t count = ::recv(socket, buffer, sizeof buffer, 0);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        answer.append(buffer, static_cast<std::size_t>(count));
    }
    // A reset rather than a close leaves no TIME_WAIT behind: runs of millions of inputs would
    // use up the local ports.
    const linger reset{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::close(socket);
    return answer;
}

void StartGateway() {
    static const bool started = [] {
        std::thread([] {
            brevanta::web::Options options;
            // Port 1 refuses at once: the device is "busy", and input to it is dropped.
            options.devices.push_back({"dev", "127.0.0.1", 1});
            options.listen = {"127.0.0.1", kPort};
            brevanta::web::RunGateway(options, std::nullopt);
        }).detach();
        for (int attempt = 0; attempt < 5000; ++attempt) {
            if (const int socket = Connect(); socket >= 0) {
                ::close(socket);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::abort();
    }();
    (void)started;
}

// One WebSocket frame as a browser sends it: final, masked with the given key.
std::string Frame(std::uint8_t opcode, const std::string& payload, std::uint32_t key) {
    std::string frame;
    frame += static_cast<char>(0x80 | (opcode & 0x0F));
    if (payload.size() < 126) {
        frame += static_cast<char>(0x80 | payload.size());
    } else {
        frame += static_cast<char>(0x80 | 126);
        frame += static_cast<char>(payload.size() >> 8);
        frame += static_cast<char>(payload.size() & 0xFF);
    }
    const char mask[4] = {static_cast<char>(key), static_cast<char>(key >> 8),
                          static_cast<char>(key >> 16), static_cast<char>(key >> 24)};
    frame.append(mask, 4);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        frame += static_cast<char>(payload[i] ^ mask[i % 4]);
    }
    return frame;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    StartGateway();
    FuzzedDataProvider provider(data, size);
    std::string bytes;
    bool upgraded = false;
    switch (provider.ConsumeIntegralInRange<int>(0, 2)) {
        case 0:  // raw: HTTP requests, or anything
            bytes = provider.ConsumeRemainingBytesAsString();
            break;
        case 1: {  // an accepted upgrade, then frames with fuzzed opcodes and payloads
            upgraded = true;
            bytes = kUpgrade;
            // The token comes first (the gateway has none, so any text is taken).
            bytes += Frame(0x1, provider.ConsumeRandomLengthString(64), 0x12345678);
            while (provider.remaining_bytes() > 0) {
                const auto opcode = provider.ConsumeIntegral<std::uint8_t>();
                const auto key = provider.ConsumeIntegral<std::uint32_t>();
                bytes += Frame(opcode, provider.ConsumeRandomLengthString(2048), key);
            }
            break;
        }
        default:  // an accepted upgrade, then raw bytes as frames
            upgraded = true;
            bytes = kUpgrade + provider.ConsumeRemainingBytesAsString();
            break;
    }
    const std::string answer = Exchange(bytes);
    if (!answer.empty() && answer.compare(0, 9, "HTTP/1.1 ") != 0) {
        std::abort();
    }
    if (upgraded && answer.compare(0, 12, "HTTP/1.1 101") != 0) {
        std::abort();
    }
    // The gateway still serves its page.
    if (Exchange(kPageRequest).compare(0, 12, "HTTP/1.1 200") != 0) {
        std::abort();
    }
    return 0;
}

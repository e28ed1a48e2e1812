#include "viewer_socket.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cstring>

#include "wait_until.h"

namespace brevanta::test {
namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr int kBandCount = 40;
constexpr std::size_t kLengthDigits = 9;

std::optional<std::size_t> ParseLength(std::string_view digits) {
    std::size_t value = 0;
    bool seenDigit = false;
    for (char c : digits) {
        if (c == ' ' && !seenDigit) {
            continue;
        }
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        seenDigit = true;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return seenDigit ? std::optional(value) : std::nullopt;
}

}  // namespace

std::string UpdateRequestRecord() {
    return std::string("\xff\xff\xff\xff\x13\x01\x00\x00\x00\x00\x00\x00", 12);
}

std::optional<ViewerSocket> ViewerSocket::Connect(const std::string& address, int port,
                                                  std::chrono::milliseconds timeout,
                                                  int receiveBuffer) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, address.c_str(), &target.sin_addr);
    std::optional<ViewerSocket> connected;
    WaitUntil(
        [&] {
            TestSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
            if (receiveBuffer > 0) {
                setsockopt(socket.Fd(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer,
                           sizeof receiveBuffer);
            }
            if (::connect(socket.Fd(), reinterpret_cast<const sockaddr*>(&target), sizeof target) !=
                0) {
                return false;
            }
            connected.emplace(ViewerSocket(std::move(socket)));
            return true;
        },
        timeout);
    return connected;
}

bool ViewerSocket::RequestUpdate() {
    return Send(UpdateRequestRecord());
}

std::optional<ReceivedFrame> ViewerSocket::ReadFrame(std::size_t bandBytes,
                                                     std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const auto left = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
    };
    const TestSocket::Received header = m_socket.Receive(kHeaderSize, left());
    if (header.bytes.size() != kHeaderSize) {
        return std::nullopt;
    }
    const auto length = ParseLength(std::string_view(header.bytes).substr(1, kLengthDigits));
    if (!length || *length < kHeaderSize) {
        return std::nullopt;
    }
    const std::size_t payloadLength = *length - kHeaderSize;
    const TestSocket::Received payload = m_socket.Receive(payloadLength, left());
    if (payload.bytes.size() != payloadLength || payloadLength % (bandBytes + 1) != 0) {
        return std::nullopt;
    }
    ReceivedFrame frame;
    frame.mode = static_cast<std::uint8_t>(header.bytes[0]);
    frame.length = *length;
    int previous = -1;
    for (std::size_t at = 0; at < payloadLength; at += bandBytes + 1) {
        const int band = static_cast<std::uint8_t>(payload.bytes[at]);
        if (band >= kBandCount || band <= previous) {
            return std::nullopt;
        }
        previous = band;
        ++frame.bands;
    }
    return frame;
}

bool ViewerSocket::ReadSome(std::size_t count, std::chrono::milliseconds timeout) {
    return !m_socket.Receive(count, timeout).bytes.empty();
}

bool ViewerSocket::WaitClosed(std::chrono::milliseconds timeout) {
    return m_socket.ReceiveUntilClosed(timeout).closed;
}

void ViewerSocket::Reset() {
    const linger abortive{1, 0};
    setsockopt(m_socket.Fd(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    Close();
}

}  // namespace brevanta::test

#include "web_socket_client.h"

#include <poll.h>
#include <sys/socket.h>

#include <cstdio>

namespace brevanta::test {

int WebSocketMessage::CloseCode() const {
    if (payload.size() < 2) {
        return 1005;
    }
    return static_cast<unsigned char>(payload[0]) << 8 | static_cast<unsigned char>(payload[1]);
}

bool WebSocketClient::Open(std::uint16_t port, const std::string& path, const std::string& origin,
                           std::chrono::milliseconds timeout) {
    m_socket = TestSocket::Connect("127.0.0.1", port);
    if (!m_socket.IsValid()) {
        return false;
    }
    std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                          "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                          "Sec-WebSocket-Version: 13\r\n"
                          "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";
    if (!origin.empty()) {
        request += "Origin: " + origin + "\r\n";
    }
    if (!m_socket.SendAll(request + "\r\n")) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t end = std::string::npos;
    while ((end = m_pending.find("\r\n\r\n")) == std::string::npos) {
        if (!Fill(m_pending.size() + 1, deadline)) {
            return false;
        }
    }
    std::sscanf(m_pending.c_str(), "HTTP/1.1 %d", &m_status);
    m_pending.erase(0, end + 4);
    return m_status == 101;
}

bool WebSocketClient::Send(std::uint8_t opcode, const std::string& payload) {
    std::string frame;
    frame += static_cast<char>(0x80 | opcode);
    if (payload.size() < 126) {
        frame += static_cast<char>(0x80 | payload.size());
    } else {
        frame += static_cast<char>(0x80 | 126);
        frame += static_cast<char>(payload.size() >> 8);
        frame += static_cast<char>(payload.size() & 0xFF);
    }
    const std::string mask = "\x5a\x13\xc7\x02";
    frame += mask;
    for (std::size_t i = 0; i < payload.size(); ++i) {
        frame += static_cast<char>(payload[i] ^ mask[i % 4]);
    }
    return m_socket.SendAll(frame);
}

bool WebSocketClient::Fill(std::size_t count, std::chrono::steady_clock::time_point deadline) {
    while (m_pending.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{m_socket.Fd(), POLLIN, 0};
        if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char buffer[65536];
        const ssize_t got = recv(m_socket.Fd(), buffer, sizeof buffer, 0);
        if (got <= 0) {
            return false;
        }
        m_pending.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

std::optional<WebSocketMessage> WebSocketClient::Receive(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    if (!Fill(2, deadline)) {
        return std::nullopt;
    }
    // The server sends whole, unmasked messages.
    WebSocketMessage message;
    message.opcode = static_cast<std::uint8_t>(m_pending[0] & 0x0F);
    std::size_t length = static_cast<unsigned char>(m_pending[1]) & 0x7F;
    std::size_t header = 2;
    if (length == 126 || length == 127) {
        header = length == 126 ? 4 : 10;
        if (!Fill(header, deadline)) {
            return std::nullopt;
        }
        length = 0;
        for (std::size_t i = 2; i < header; ++i) {
            length = length << 8 | static_cast<unsigned char>(m_pending[i]);
        }
    }
    if (!Fill(header + length, deadline)) {
        return std::nullopt;
    }
    message.payload = m_pending.substr(header, length);
    m_pending.erase(0, header + length);
    return message;
}

int WebSocketClient::WaitForClose(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const std::optional<WebSocketMessage> message = Receive(left);
        if (!message) {
            return -1;
        }
        if (message->opcode == 0x8) {
            return message->CloseCode();
        }
    }
    return -1;
}

}  // namespace brevanta::test

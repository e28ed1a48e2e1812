#include "broadcast_sender.h"

#include <algorithm>
#include <cstring>

CBroadcastSender::CBroadcastSender() : m_port(0) {
    std::memset(m_targetAddress, 0, sizeof m_targetAddress);
}

CBroadcastSender::~CBroadcastSender() {
    Close();
}

void CBroadcastSender::SetPort(u_short port) {
    m_port = port;
}

int CBroadcastSender::Send(const char* data, int length) {
    if (m_socket == INVALID_SOCKET) {
        SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, 0);
        if (socket == INVALID_SOCKET) {
            return 0;
        }
        m_socket = socket;
        int enable = 1;
        if (setsockopt(socket, SOL_SOCKET, SO_BROADCAST, &enable, sizeof enable) != 0) {
            Close();
            return 0;
        }
    }

    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(m_port);
    if (inet_pton(AF_INET, m_targetAddress, &destination.sin_addr) != 1 ||
        destination.sin_addr.s_addr == 0) {
        destination.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    }

    int sent = 0;
    while (sent < length) {
        int piece = std::min(length - sent, kMaxDatagram);
        ssize_t count = sendto(m_socket, data + sent, static_cast<std::size_t>(piece), 0,
                               reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
        if (count < 0) {
            Close();
            return 0;
        }
        sent += static_cast<int>(count);
    }
    Close();
    return 1;
}

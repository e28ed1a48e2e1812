// Broadcasts the discovery token. Every call opens a new UDP socket and closes it again.
#pragma once

#include "socket_base.h"

class CBroadcastSender : public CSocketBase {
public:
    static constexpr int kMaxDatagram = 500;

    CBroadcastSender();
    ~CBroadcastSender() override;

    void SetPort(u_short port);
    // Sends the data in datagrams of at most 500 bytes; 1 when all of it went out.
    int Send(const char* data, int length);

private:
    u_short m_port;
    // A dotted address to send to instead of the limited broadcast address; nothing sets it.
    char m_targetAddress[16];
};

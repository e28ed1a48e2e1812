// The main screen's download path: one transfer socket set up for the provisioning server, and
// the text of the last failure for the caller to show.
#pragma once

#include <string>

#include "transfer_protocol.h"
#include "transfer_socket.h"

class CTransferService {
public:
    static constexpr u_short kServerPort = transfer::kServerPort;
    static constexpr DWORD kInactivityTimeout = 30000;
    static constexpr const WCHAR* kRequestFailedText = u"Cannot send request to BrevantaServer";
    static constexpr const WCHAR* kDownloadFailedText = u"Cannot download file from BrevantaServer";

    CTransferService();
    virtual ~CTransferService();
    CTransferService(const CTransferService&) = delete;
    CTransferService& operator=(const CTransferService&) = delete;

    void SetDownloadDirectory(const std::u16string& directory);
    // A new address always drops the current connection.
    void SetServerAddress(const std::u16string& address);
    // 1 when the file is complete in the download directory; 0 with m_errorText set otherwise.
    int FetchFile(const std::u16string& name);

    // Empty, or the text of the last failure.
    std::u16string m_errorText;

private:
    CTransferSocket m_socket;
};

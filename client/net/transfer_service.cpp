#include "transfer_service.h"

CTransferService::CTransferService() {
    m_socket.SetServerPort(kServerPort);
    m_socket.SetInactivityTimeout(kInactivityTimeout);
}

CTransferService::~CTransferService() = default;

void CTransferService::SetDownloadDirectory(const std::u16string& directory) {
    m_socket.SetDownloadDirectory(directory.c_str());
}

void CTransferService::SetServerAddress(const std::u16string& address) {
    m_socket.ResetConnection();
    m_socket.SetServerAddress(address.c_str());
}

int CTransferService::FetchFile(const std::u16string& name) {
    m_errorText.clear();
    if (m_socket.RequestFile(name.c_str(), static_cast<int>(name.size())) !=
        CTransferSocket::kRequestSent) {
        m_errorText = kRequestFailedText;
        return 0;
    }
    if (m_socket.DownloadFile(name.c_str()) == 0) {
        m_errorText = kDownloadFailedText;
        return 0;
    }
    return 1;
}

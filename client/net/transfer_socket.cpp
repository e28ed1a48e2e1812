#include "transfer_socket.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "transfer_protocol.h"

namespace {

std::size_t WideLength(const WCHAR* text) {
    return text == nullptr ? 0 : std::u16string_view(text).size();
}

// A non-blocking connect that is still being made reports one of these.
bool ConnectUnderWay(int error) {
    return error == EINPROGRESS || error == EALREADY || error == EINTR || error == EWOULDBLOCK;
}

// Appends a received chunk to the file; false when the file takes less than all of it. The file
// is open without sharing, so the end of the last chunk is the end of the file and no seek is
// needed before the write.
bool AppendToFile(HANDLE file, const char* data, int length) {
    int written = 0;
    while (written < length) {
        DWORD count = 0;
        if (!WriteFile(file, data + written, static_cast<DWORD>(length - written), &count,
                       nullptr) ||
            count == 0) {
            return false;
        }
        written += static_cast<int>(count);
    }
    return true;
}

// Room kept free beyond the package itself, for the sync record and whatever else the device
// writes to that disk afterwards.
constexpr std::uint64_t kFreeSpaceReserve = 1024 * 1024;

// Whether a package of the announced size leaves the reserve free on the folder's disk. The file
// has been created (and an old one emptied) already, so its space counts as free. A disk whose
// free space cannot be read is not held against the package: a full disk still fails the write.
bool FitsOnDisk(const WCHAR* folder, std::int64_t announced) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(folder, &available, nullptr, nullptr)) {
        return true;
    }
    const std::uint64_t usable =
        available.QuadPart > kFreeSpaceReserve ? available.QuadPart - kFreeSpaceReserve : 0;
    return static_cast<std::uint64_t>(announced) <= usable;
}

}  // namespace

CTransferSocket::CTransferSocket()
    : m_directoryRefused(false),
      m_inactivityTimeout(kDefaultInactivityTimeout),
      m_opened(0),
      m_connected(0),
      m_readable(0),
      m_writable(0),
      m_error(0),
      m_readWait{2, 0},
      m_shortWait{0, 2000},
      m_connectWait{5, 0} {
    std::memset(m_downloadDirectory, 0, sizeof m_downloadDirectory);
    FD_ZERO(&m_readSet);
    FD_ZERO(&m_writeSet);
    FD_ZERO(&m_errorSet);
}

CTransferSocket::~CTransferSocket() {
    Close();
}

void CTransferSocket::SetServerAddress(const WCHAR* address) {
    std::memset(m_serverAddress, 0, sizeof m_serverAddress);
    int length = static_cast<int>(WideLength(address));
    if (length == 0) {
        return;
    }
    int needed = WideCharToMultiByte(m_codePage, 0, address, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0 || needed >= static_cast<int>(sizeof m_serverAddress)) {
        return;
    }
    WideCharToMultiByte(m_codePage, 0, address, length, m_serverAddress, needed, nullptr, nullptr);
}

void CTransferSocket::SetServerPort(u_short port) {
    m_serverPort = port;
}

void CTransferSocket::SetInactivityTimeout(DWORD milliseconds) {
    m_inactivityTimeout = milliseconds;
}

void CTransferSocket::SetDownloadDirectory(const WCHAR* directory) {
    std::memset(m_downloadDirectory, 0, sizeof m_downloadDirectory);
    std::size_t length = WideLength(directory);
    m_directoryRefused = length >= kDirectoryCapacity;
    if (!m_directoryRefused && length > 0) {
        std::memcpy(m_downloadDirectory, directory, length * sizeof(WCHAR));
    }
}

void CTransferSocket::ResetConnection() {
    m_opened = 0;
    RenewSocket();
}

void CTransferSocket::RenewSocket() {
    Close();
    m_connected = 0;
    SOCKET socket = ::socket(AF_INET, SOCK_STREAM, 0);
    m_socket = socket;
    if (socket != INVALID_SOCKET) {
        u_long nonBlocking = 1;
        ioctlsocket(socket, FIONBIO, &nonBlocking);
    }
}

void CTransferSocket::Poll(fd_set* readSet, fd_set* writeSet, fd_set* errorSet,
                           const timeval* wait) {
    SOCKET socket = m_socket;
    // A missing socket, or one the set type cannot hold, is reported as failed without a wait.
    if (socket == INVALID_SOCKET || socket >= FD_SETSIZE) {
        if (readSet != nullptr) {
            m_readable = 0;
        }
        if (writeSet != nullptr) {
            m_writable = 0;
        }
        if (errorSet != nullptr) {
            m_error = 1;
        }
        return;
    }
    for (fd_set* set : {readSet, writeSet, errorSet}) {
        if (set != nullptr) {
            FD_ZERO(set);
            FD_SET(socket, set);
        }
    }
    select(0, readSet, writeSet, errorSet, wait);
    if (readSet != nullptr) {
        m_readable = FD_ISSET(socket, readSet) ? 1 : 0;
    }
    if (writeSet != nullptr) {
        m_writable = FD_ISSET(socket, writeSet) ? 1 : 0;
    }
    if (errorSet != nullptr) {
        m_error = FD_ISSET(socket, errorSet) ? 1 : 0;
    }
}

void CTransferSocket::PollStatus() {
    Poll(&m_readSet, &m_writeSet, &m_errorSet, &m_shortWait);
}

void CTransferSocket::WaitConnected() {
    Poll(nullptr, &m_writeSet, &m_errorSet, &m_connectWait);
}

void CTransferSocket::PollWritable() {
    Poll(nullptr, &m_writeSet, &m_errorSet, &m_shortWait);
}

void CTransferSocket::PollReadable() {
    Poll(&m_readSet, nullptr, nullptr, &m_readWait);
}

int CTransferSocket::EnsureConnected() {
    if (m_opened == 0) {
        m_opened = 1;
        RenewSocket();
    }
    if (m_connected == 1) {
        // Readable means the server closed the kept connection or sent bytes nobody asked for.
        PollStatus();
        if (m_writable == 0 || m_error != 0 || m_readable != 0) {
            RenewSocket();
        }
        if (m_connected == 1) {
            return 1;
        }
    }

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_serverPort);
    // Only a dotted decimal address is taken; anything else never reaches the network.
    if (inet_pton(AF_INET, m_serverAddress, &address.sin_addr) != 1) {
        return 0;
    }
    if (connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        m_connected = 1;
        return m_connected;
    }
    // The host reports an immediate failure (a refused loopback port, a missing socket) here
    // rather than through the wait, and a wait on such a socket would report it writable.
    if (ConnectUnderWay(errno)) {
        WaitConnected();
        m_connected = (m_writable != 0 && m_error == 0) ? 1 : 0;
    }
    if (m_connected == 0) {
        RenewSocket();
    }
    return m_connected;
}

int CTransferSocket::SendAll(const char* data, int length) {
    int sent = 0;
    while (sent < length) {
        PollWritable();
        if (m_writable == 0 || m_error != 0) {
            RenewSocket();
            return 0;
        }
        ssize_t count = send(m_socket, data + sent, static_cast<std::size_t>(length - sent), 0);
        if (count < 0) {
            RenewSocket();
            return 0;
        }
        sent += static_cast<int>(count);
    }
    return 1;
}

int CTransferSocket::SendRequest(const WCHAR* name, int nameLength, int mode) {
    if (EnsureConnected() == 0) {
        return kRequestNoConnection;
    }
    if (mode != 0 && mode != 1) {
        return kRequestUnfit;
    }
    int nameBytes = 0;
    if (nameLength > 0) {
        nameBytes =
            WideCharToMultiByte(m_codePage, 0, name, nameLength, nullptr, 0, nullptr, nullptr);
        if (nameBytes <= 0) {
            return kRequestUnfit;
        }
    }
    if (mode == 0 && transfer::kHeaderSize + nameBytes > transfer::kFileRequestSize) {
        return kRequestUnfit;
    }
    const int messageSize =
        mode == 0 ? transfer::kFileRequestSize : transfer::kHeaderSize + nameBytes;
    std::unique_ptr<char[]> message(new (std::nothrow) char[static_cast<std::size_t>(messageSize)]);
    if (!message) {
        return kRequestUnfit;
    }
    std::memset(message.get(), 0, static_cast<std::size_t>(messageSize));
    transfer::FormatHeader(message.get(), messageSize,
                           mode == 0 ? transfer::kFileRequestType : transfer::kNameMessageType);
    if (nameBytes > 0) {
        WideCharToMultiByte(m_codePage, 0, name, nameLength, message.get() + transfer::kHeaderSize,
                            nameBytes, nullptr, nullptr);
    }
    return SendAll(message.get(), messageSize) == 1 ? kRequestSent : kRequestSendFailed;
}

int CTransferSocket::RequestFile(const WCHAR* name, int nameLength) {
    return SendRequest(name, nameLength, 0);
}

bool CTransferSocket::BuildDownloadPath(const WCHAR* name, WCHAR* path, int pathCapacity) const {
    if (m_directoryRefused) {
        return false;
    }
    std::size_t directoryLength = WideLength(m_downloadDirectory);
    std::size_t nameLength = WideLength(name);
    if (directoryLength + nameLength >= static_cast<std::size_t>(pathCapacity)) {
        return false;
    }
    std::memcpy(path, m_downloadDirectory, directoryLength * sizeof(WCHAR));
    std::memcpy(path + directoryLength, name, nameLength * sizeof(WCHAR));
    path[directoryLength + nameLength] = 0;
    return true;
}

CTransferSocket::Step CTransferSocket::ReceiveHeader(Download& download) {
    // The header may come in pieces; it is read only once all 11 bytes are here.
    ssize_t count = recv(m_socket, download.header + download.headerBytes,
                         static_cast<std::size_t>(transfer::kHeaderSize - download.headerBytes), 0);
    if (count < 0 && (errno == EWOULDBLOCK || errno == EINTR)) {
        return Step::kGoOn;
    }
    if (count <= 0) {
        return Step::kFailed;
    }
    download.headerBytes += static_cast<int>(count);
    if (download.headerBytes < transfer::kHeaderSize) {
        return Step::kGoOn;
    }
    download.headerPending = false;
    std::int64_t total = transfer::ParseTotalLength(download.header);
    if (total < transfer::kHeaderSize) {
        return Step::kFailed;
    }
    download.expected = total - transfer::kHeaderSize;
    // A package the disk cannot hold is refused before any of it is written.
    if (!FitsOnDisk(m_downloadDirectory, download.expected)) {
        return Step::kFailed;
    }
    // A header that announces no package is a server with nothing to give: taking it as a
    // download would record an empty package and leave the device provisioned with nothing
    // installed. Nothing more is read for it, and the connection is renewed.
    if (download.expected == 0) {
        return Step::kFailed;
    }
    return Step::kGoOn;
}

CTransferSocket::Step CTransferSocket::ReceiveBody(Download& download) {
    char chunk[kReceiveChunk];
    // Never more than announced: what the server sends beyond it stays in the socket, and the
    // next check of the kept connection finds it readable and renews it.
    std::int64_t missing = download.expected - download.received;
    std::size_t want = missing < kReceiveChunk ? static_cast<std::size_t>(missing)
                                               : static_cast<std::size_t>(kReceiveChunk);
    ssize_t count = recv(m_socket, chunk, want, 0);
    if (count < 0 && (errno == EWOULDBLOCK || errno == EINTR)) {
        download.dataWaiting = false;
        return Step::kGoOn;
    }
    download.dataWaiting = static_cast<std::size_t>(count) == want;
    if (count <= 0) {
        return Step::kFailed;
    }
    if (!AppendToFile(download.file, chunk, static_cast<int>(count))) {
        return Step::kFailed;
    }
    download.received += count;
    download.lastProgress = GetTickCount();
    return download.received >= download.expected ? Step::kComplete : Step::kGoOn;
}

int CTransferSocket::DownloadFile(const WCHAR* name) {
    if (m_connected == 0) {
        return 0;
    }
    WCHAR path[kPathCapacity];
    if (!BuildDownloadPath(name, path, kPathCapacity)) {
        return 0;
    }
    HANDLE file =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }

    // The header does not count as progress: the wait for the first body byte runs from here.
    Download download{file, {}, 0, true, 0, 0, GetTickCount(), false};
    Step step = Step::kGoOn;
    while (step == Step::kGoOn && GetTickCount() - download.lastProgress <= m_inactivityTimeout) {
        if (!download.dataWaiting) {
            PollReadable();
            if (m_readable == 0) {
                continue;
            }
        }
        step = download.headerPending ? ReceiveHeader(download) : ReceiveBody(download);
    }
    // The whole package is on the disk before anyone learns of it: the record that follows
    // must never survive a power cut that the package's bytes did not.
    if (step == Step::kComplete && FlushFileBuffers(file)) {
        CloseHandle(file);
        return 1;
    }
    // The partial file stays on disk.
    RenewSocket();
    CloseHandle(file);
    return 0;
}

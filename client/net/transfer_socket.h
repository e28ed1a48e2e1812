// TCP client of the provisioning server's transfer port. It keeps one connection between
// requests, checks it before reusing it, sends file requests and receives each response
// straight into a file. The socket is always non-blocking and every wait is a bounded select.
#pragma once

#include <cstdint>

#include "socket_base.h"
#include "transfer_protocol.h"

class CTransferSocket : public CSocketBase {
public:
    // Results of SendRequest.
    static constexpr int kRequestSent = 0;
    static constexpr int kRequestNoConnection = 1;
    static constexpr int kRequestUnfit = 2;
    static constexpr int kRequestSendFailed = 4;

    static constexpr DWORD kDefaultInactivityTimeout = 12000;

    CTransferSocket();
    ~CTransferSocket() override;

    // An address longer than a dotted IPv4 address (15 characters) is refused: the field stays
    // empty and later connections fail.
    void SetServerAddress(const WCHAR* address);
    void SetServerPort(u_short port);
    void SetInactivityTimeout(DWORD milliseconds);
    // The file name is appended with no separator, so the directory ends in "\". A directory
    // that does not fit its 260-unit field is refused and later downloads fail.
    void SetDownloadDirectory(const WCHAR* directory);

    // Drops the connection; the next attempt starts from a fresh socket.
    void ResetConnection();
    // Closes the socket and opens a new unconnected non-blocking one.
    void RenewSocket();
    // 1 when a usable connection exists (a healthy kept one, or a new one), else 0.
    int EnsureConnected();

    int SendAll(const char* data, int length);
    // Mode 0 sends a file request, mode 1 a name message; nameLength counts UTF-16 units.
    int SendRequest(const WCHAR* name, int nameLength, int mode);
    int RequestFile(const WCHAR* name, int nameLength);
    // Receives one file response into the download directory under the name; 1 when complete.
    // A response that announces no bytes at all fails: there is no package to record or open.
    int DownloadFile(const WCHAR* name);

    bool IsConnected() const { return m_connected != 0; }

private:
    static constexpr int kDirectoryCapacity = 260;
    static constexpr int kPathCapacity = 512;
    static constexpr int kReceiveChunk = 4096;

    // One download in progress: the file it writes, the header as far as it has come, and the
    // body's progress.
    struct Download {
        HANDLE file;
        char header[transfer::kHeaderSize];
        int headerBytes;
        bool headerPending;
        std::int64_t expected;
        std::int64_t received;
        DWORD lastProgress;
        // After a receive that filled the whole chunk more data is most likely waiting: the next
        // receive goes straight to the socket and waits only when it finds nothing.
        bool dataWaiting;
    };
    // What a step of a download leaves: more to receive, a complete file, or a failure.
    enum class Step { kGoOn, kComplete, kFailed };

    // Each poll fills the sets it is given with this socket alone and waits; the flags of the
    // sets it used tell what it found.
    void Poll(fd_set* readSet, fd_set* writeSet, fd_set* errorSet, const timeval* wait);
    void PollStatus();     // read, write and error sets, the short wait: a kept connection
    void WaitConnected();  // write and error sets, the connect wait
    void PollWritable();   // write and error sets, the short wait: before every send
    void PollReadable();   // the read set, the read wait: before every receive

    bool BuildDownloadPath(const WCHAR* name, WCHAR* path, int pathCapacity) const;
    // Receives what is there of the 11-byte header; once it is whole, reads the announced size
    // and checks that there is a package and that the disk holds it.
    Step ReceiveHeader(Download& download);
    // Receives the next chunk of the body, never more than announced, and appends it to the file.
    Step ReceiveBody(Download& download);

    WCHAR m_downloadDirectory[kDirectoryCapacity];
    bool m_directoryRefused;
    DWORD m_inactivityTimeout;
    int m_opened;
    int m_connected;
    fd_set m_readSet;
    fd_set m_writeSet;
    fd_set m_errorSet;
    int m_readable;
    int m_writable;
    int m_error;
    const timeval m_readWait;
    const timeval m_shortWait;
    const timeval m_connectWait;
};

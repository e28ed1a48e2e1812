// Serves the input as the whole response to the transfer client's file request: a loopback
// listener in this process takes the connection, reads the request, writes the bytes and closes.
// The client must never write more body bytes than the header announces, must write all of them
// when they came, and must report success exactly then (never for a header that announces none).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "net/transfer_protocol.h"
#include "net/transfer_socket.h"

namespace {

constexpr char16_t kFileName[] = u"package.cab";
// EOF wakes the client at once; this only bounds a client that would wait for more.
constexpr DWORD kInactivityTimeout = 2000;

// The listening socket and download folder, made once for the whole run.
struct Peer {
    int listener = -1;
    std::uint16_t port = 0;
    std::filesystem::path folder;
    std::u16string deviceFolder;
};

Peer MakePeer() {
    Peer peer;
    peer.listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (peer.listener < 0 ||
        ::bind(peer.listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(peer.listener, 1) != 0 ||
        ::getsockname(peer.listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::abort();
    }
    peer.port = ntohs(address.sin_port);

    // TMPDIR chooses where: scripts/fuzz.sh points it at memory, since every run writes a file.
    std::string folder = (std::filesystem::temp_directory_path() / "fuzz_transfer_XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        std::abort();
    }
    peer.folder = folder;
    for (char c : folder + "/") {
        peer.deviceFolder += c == '/' ? u'\\' : static_cast<char16_t>(c);
    }
    return peer;
}

const Peer& GetPeer() {
    static const Peer peer = MakePeer();
    return peer;
}

void SendAllOrAbort(int socket, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t count = ::send(socket, data, size, MSG_NOSIGNAL);
        if (count <= 0) {
            std::abort();
        }
        data += count;
        size -= static_cast<std::size_t>(count);
    }
}

// Takes the request off the connection so that the client's send never meets a reset.
void ReadRequest(int socket) {
    char request[transfer::kFileRequestSize];
    std::size_t total = 0;
    while (total < sizeof request) {
        const ssize_t count = ::recv(socket, request + total, sizeof request - total, 0);
        if (count <= 0) {
            std::abort();
        }
        total += static_cast<std::size_t>(count);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Peer& peer = GetPeer();
    const std::filesystem::path file = peer.folder / "package.cab";

    CTransferSocket client;
    client.SetServerAddress(u"127.0.0.1");
    client.SetServerPort(peer.port);
    client.SetInactivityTimeout(kInactivityTimeout);
    client.SetDownloadDirectory(peer.deviceFolder.c_str());
    if (client.RequestFile(kFileName, sizeof kFileName / sizeof kFileName[0] - 1) !=
        CTransferSocket::kRequestSent) {
        std::abort();
    }
    const int server = ::accept(peer.listener, nullptr, nullptr);
    if (server < 0) {
        std::abort();
    }
    ReadRequest(server);
    SendAllOrAbort(server, data, size);
    ::close(server);

    const int result = client.DownloadFile(kFileName);

    std::int64_t announced = -1;
    if (size >= transfer::kHeaderSize) {
        const std::int64_t total = transfer::ParseTotalLength(reinterpret_cast<const char*>(data));
        if (total >= transfer::kHeaderSize) {
            announced = total - transfer::kHeaderSize;
        }
    }
    const std::int64_t sent = static_cast<std::int64_t>(size) - transfer::kHeaderSize;
    std::error_code error;
    const std::uintmax_t fileSize = std::filesystem::file_size(file, error);
    if (error) {
        std::abort();
    }
    const std::int64_t written = static_cast<std::int64_t>(fileSize);
    // A header that announces nothing is a failure: there is no package.
    const bool complete = announced > 0 && sent >= announced;
    if (written > (announced < 0 ? 0 : announced) || result != (complete ? 1 : 0) ||
        (announced >= 0 && written != std::min(announced, sent))) {
        std::abort();
    }
    std::filesystem::remove(file, error);
    return 0;
}

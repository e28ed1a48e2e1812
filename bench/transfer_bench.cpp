// Times downloads of one package from a server on loopback port 18898:
//   transfer_bench [--plain] ADDRESS DOWNLOAD_DIR NAME RUNS
// By default through CTransferService. With --plain, through a bare loop of the same shape
// (4096-byte receives, each written to the file before the next) on POSIX calls, which shows
// what the 4096-byte rule itself costs on this machine. Prints one line per run and the median.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "net/transfer_service.h"

namespace {

std::u16string Widen(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

std::u16string DeviceDirectory(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    return Widen(path);
}

bool FetchWithService(const std::string& address, const std::string& directory,
                      const std::string& name) {
    // A fresh service per run, so that every run connects as curl does.
    CTransferService service;
    service.SetDownloadDirectory(DeviceDirectory(directory));
    service.SetServerAddress(Widen(address));
    return service.FetchFile(Widen(name)) == 1;
}

bool ReceiveExactly(int socket, char* buffer, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        ssize_t n = recv(socket, buffer + got, count - got, 0);
        if (n <= 0) {
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool FetchPlain(const std::string& address, const std::string& directory, const std::string& name) {
    int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(CTransferService::kServerPort);
    inet_pton(AF_INET, address.c_str(), &server.sin_addr);
    char request[75] = {};
    std::snprintf(request, 12, "%10d4", 75);
    std::memcpy(request + 11, name.data(), std::min<std::size_t>(name.size(), 64));
    char header[11];
    bool ok = connect(socket, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0 &&
              send(socket, request, sizeof request, 0) == sizeof request &&
              ReceiveExactly(socket, header, sizeof header);
    int file =
        open((directory + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    long long left = ok ? std::atoll(std::string(header, 10).c_str()) - 11 : 0;
    char chunk[4096];
    while (ok && left > 0) {
        ssize_t n =
            recv(socket, chunk, static_cast<std::size_t>(std::min<long long>(left, 4096)), 0);
        ok = n > 0 && write(file, chunk, static_cast<std::size_t>(n)) == n;
        left -= n;
    }
    close(file);
    close(socket);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const bool plain = argc > 1 && std::strcmp(argv[1], "--plain") == 0;
    if (argc != 5 + (plain ? 1 : 0)) {
        std::fprintf(stderr, "usage: transfer_bench [--plain] ADDRESS DOWNLOAD_DIR NAME RUNS\n");
        return 2;
    }
    char** args = argv + (plain ? 2 : 1);
    const int runs = std::max(1, std::atoi(args[3]));
    std::vector<double> milliseconds;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        bool ok = plain ? FetchPlain(args[0], args[1], args[2])
                        : FetchWithService(args[0], args[1], args[2]);
        if (!ok) {
            std::fprintf(stderr, "download failed\n");
            return 1;
        }
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        milliseconds.push_back(took.count());
        std::printf("run %d %.1f ms\n", run + 1, took.count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    std::printf("median %.1f ms\n", milliseconds[milliseconds.size() / 2]);
    return 0;
}

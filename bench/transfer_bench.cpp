// Times downloads of one package through CTransferService from a server on loopback:
//   transfer_bench ADDRESS DOWNLOAD_DIR NAME RUNS
// Prints one line per run ("run N ms") and the median.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/transfer_service.h"

namespace {

std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string DeviceDirectory(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    return Widen(path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: transfer_bench ADDRESS DOWNLOAD_DIR NAME RUNS\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[4]));
    std::vector<double> milliseconds;
    for (int run = 0; run < runs; ++run) {
        // A fresh service per run, so that every run connects as curl does.
        CTransferService service;
        service.SetDownloadDirectory(DeviceDirectory(argv[2]));
        service.SetServerAddress(Widen(argv[1]));
        const auto start = std::chrono::steady_clock::now();
        if (service.FetchFile(Widen(argv[3])) != 1) {
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

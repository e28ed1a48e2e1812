#include "process_probe.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "blocking_call.h"

namespace brevanta::test {
namespace {

constexpr char kListenState[] = "0A";
constexpr char kEstablishedState[] = "01";

int CountEntries(const std::string& directory) {
    std::error_code error;
    int count = 0;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        ++count;
    }
    return error ? -1 : count;
}

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        long value = 0;
        if (std::sscanf(line.c_str(), "VmRSS: %ld kB", &value) == 1) {
            return value;
        }
    }
    return -1;
}

}  // namespace

std::string ProcessFigures::Text() const {
    char text[96];
    std::snprintf(text, sizeof text, "fds=%d threads=%d rss_kib=%ld", descriptors, threads,
                  residentKiB);
    return text;
}

std::optional<ProcessFigures> MeasureProcess(pid_t pid) {
    const std::string root = "/proc/" + std::to_string(pid);
    ProcessFigures figures;
    figures.descriptors = CountEntries(root + "/fd");
    figures.threads = CountEntries(root + "/task");
    figures.residentKiB = ResidentKiB(pid);
    if (figures.descriptors < 0 || figures.threads < 0 || figures.residentKiB < 0) {
        return std::nullopt;
    }
    return figures;
}

bool ThreadWaitsInAccept(pid_t pid) {
    std::error_code error;
    const std::string directory = "/proc/" + std::to_string(pid) + "/task";
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        if (SyscallFileShows(it->path() / "syscall", BlockingCall::kAccept)) {
            return true;
        }
    }
    return false;
}

std::string DescribeDescriptors(pid_t pid) {
    std::string text;
    std::error_code error;
    const std::string directory = "/proc/" + std::to_string(pid) + "/fd";
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code unreadable;
        const auto target = std::filesystem::read_symlink(it->path(), unreadable);
        text += it->path().filename().string() + " -> " + target.string() + "\n";
    }
    return text;
}

PortState ReadPortState(pid_t pid, int port) {
    char portHex[8];
    std::snprintf(portHex, sizeof portHex, ":%04X", static_cast<unsigned>(port));
    std::ifstream table("/proc/" + std::to_string(pid) + "/net/tcp");
    PortState state;
    std::string line;
    std::getline(table, line);  // the heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot;
        std::string local;
        std::string remote;
        std::string socketState;
        std::string queues;
        std::string timer;
        std::string retransmits;
        std::string uid;
        std::string timeout;
        unsigned long inode = 0;
        fields >> slot >> local >> remote >> socketState >> queues >> timer >> retransmits >> uid >>
            timeout >> inode;
        if (!local.ends_with(portHex)) {
            continue;
        }
        if (socketState == kListenState) {
            state.listening = true;
            state.listener = inode;
        } else if (socketState == kEstablishedState) {
            ++state.established;
        }
    }
    return state;
}

}  // namespace brevanta::test

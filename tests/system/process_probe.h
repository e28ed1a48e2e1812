// What a test reads about a running program from /proc: its descriptors, threads and resident
// memory, and the state of its viewer port as seen in the program's own network namespace.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace brevanta::test {

struct ProcessFigures {
    int descriptors = 0;
    int threads = 0;
    long residentKiB = 0;

    std::string Text() const;
};

// Nothing when the process is gone.
std::optional<ProcessFigures> MeasureProcess(pid_t pid);
// Whether one of the process's threads is blocked in accept(), as a program's listening thread
// is once it has settled.
bool ThreadWaitsInAccept(pid_t pid);
// "fd -> target" for each open descriptor, for messages about a leak.
std::string DescribeDescriptors(pid_t pid);

struct PortState {
    bool listening = false;
    // The listening socket's inode: a new one means a new listening period.
    unsigned long listener = 0;
    int established = 0;  // connections on the port in the established state
};

// The TCP sockets on the local port in the network namespace of the process.
PortState ReadPortState(pid_t pid, int port);

}  // namespace brevanta::test

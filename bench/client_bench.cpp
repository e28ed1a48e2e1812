// Start-up time, memory and idle CPU of BrevantaClient:
//   client_bench PROGRAM RUNS [DISPLAY]
// Without DISPLAY the program runs on the headless screen, with it on that X display. Each run
// starts the program with CE_TRACE_FRAMES=1 and times from just before the start to the first
// frame it presents. The last run stays up for ten seconds of idling on the main screen, to read
// its resident memory and the CPU time it used meanwhile. Run it in a network namespace of its own
// (the client broadcasts every second): bench/run_client_bench.sh does.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Child {
    pid_t pid = -1;
    int stderrFd = -1;
};

Child Launch(const std::string& program, const char* display) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDERR_FILENO);
        setenv("CE_TRACE_FRAMES", "1", 1);
        if (display != nullptr) {
            setenv("CE_DISPLAY", "x11", 1);
            setenv("DISPLAY", display, 1);
        } else {
            setenv("CE_DISPLAY", "headless", 1);
        }
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    return Child{pid, pipeFds[0]};
}

// Reads the child's stderr until a line starting with "frame" arrives; false on timeout.
bool WaitForFrame(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::string text;
    while (Clock::now() < deadline) {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, 100) <= 0) {
            continue;
        }
        char buffer[512];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.find("frame") != std::string::npos) {
            return true;
        }
    }
    return false;
}

void End(const Child& child) {
    kill(child.pid, SIGTERM);
    int status = 0;
    waitpid(child.pid, &status, 0);
    close(child.stderrFd);
}

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

// User and system CPU time of the process, in clock ticks.
long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            utime = std::atol(field.c_str());
        } else if (index == 15) {
            stime = std::atol(field.c_str());
            break;
        }
    }
    return utime + stime;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: client_bench PROGRAM RUNS [DISPLAY]\n");
        return 2;
    }
    const std::string program = argv[1];
    const int runs = std::max(1, std::atoi(argv[2]));
    const char* display = argc > 3 ? argv[3] : nullptr;
    std::vector<double> startup;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        const Child child = Launch(program, display);
        if (child.pid < 0 || !WaitForFrame(child.stderrFd, std::chrono::seconds(10))) {
            std::fprintf(stderr, "no frame\n");
            return 1;
        }
        const std::chrono::duration<double, std::milli> took = Clock::now() - start;
        startup.push_back(took.count());
        if (run + 1 < runs) {
            End(child);
            continue;
        }
        // Idle on the main screen: one discovery tick a second and nothing else.
        sleep(1);
        const long ticksBefore = CpuTicks(child.pid);
        const auto idleStart = Clock::now();
        sleep(10);
        const long ticks = CpuTicks(child.pid) - ticksBefore;
        const std::chrono::duration<double> idle = Clock::now() - idleStart;
        const long rss = ResidentKiB(child.pid);
        End(child);
        std::sort(startup.begin(), startup.end());
        std::printf("first frame: median %.1f ms, min %.1f ms, max %.1f ms over %d starts\n",
                    startup[startup.size() / 2], startup.front(), startup.back(), runs);
        std::printf("resident memory on the main screen: %.1f MiB\n", rss / 1024.0);
        std::printf("CPU while idle: %.3f %% (%ld ticks in %.1f s)\n",
                    100.0 * static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK)) /
                        idle.count(),
                    ticks, idle.count());
    }
    return 0;
}

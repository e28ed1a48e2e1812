#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

extern char** environ;

namespace brevanta::test {
namespace {

using Clock = std::chrono::steady_clock;

int DecodeStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

}  // namespace

ChildProcess::ChildProcess(ChildProcess&& other) noexcept {
    *this = std::move(other);
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        Stop();
        m_pid = std::exchange(other.m_pid, -1);
        m_stdout = std::exchange(other.m_stdout, -1);
        m_pending = std::move(other.m_pending);
        m_lines = std::move(other.m_lines);
        m_outputEnded = other.m_outputEnded;
        m_exitCode = other.m_exitCode;
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    Stop();
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& netnsPath,
                         const std::vector<std::string>& extraEnvironment) {
    Stop();
    m_pending.clear();
    m_lines.clear();
    m_outputEnded = false;
    m_exitCode = -1;

    int namespaceFd = -1;
    if (!netnsPath.empty()) {
        namespaceFd = open(netnsPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (namespaceFd < 0) {
            return false;
        }
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        if (namespaceFd >= 0) {
            close(namespaceFd);
        }
        return false;
    }

    // Everything the child needs is prepared before fork: after it only system calls run.
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    // The extra entries replace variables of the same name.
    auto nameOf = [](std::string_view entry) { return entry.substr(0, entry.find('=') + 1); };
    std::vector<std::string> environmentCopy(extraEnvironment);
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view name = nameOf(*entry);
        const bool replaced =
            std::any_of(extraEnvironment.begin(), extraEnvironment.end(),
                        [&](const std::string& extra) { return nameOf(extra) == name; });
        if (!replaced) {
            environmentCopy.emplace_back(*entry);
        }
    }
    std::vector<char*> environment;
    for (std::string& entry : environmentCopy) {
        environment.push_back(entry.data());
    }
    environment.push_back(nullptr);

    pid_t pid = fork();
    if (pid == 0) {
        // A test that dies without ending its children (a crash, a timeout's kill) takes them
        // along.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (namespaceFd >= 0 && setns(namespaceFd, CLONE_NEWNET) != 0) {
            _exit(126);
        }
        dup2(pipeFds[1], STDOUT_FILENO);
        execve(args[0], args.data(), environment.data());
        _exit(127);
    }
    close(pipeFds[1]);
    if (namespaceFd >= 0) {
        close(namespaceFd);
    }
    if (pid < 0) {
        close(pipeFds[0]);
        return false;
    }
    m_pid = pid;
    m_stdout = pipeFds[0];
    return true;
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        auto newline = m_pending.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_pending.substr(0, newline);
            m_pending.erase(0, newline + 1);
            m_lines.push_back(line);
            return line;
        }
        if (m_outputEnded || m_stdout < 0) {
            return std::nullopt;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        pollfd entry{m_stdout, POLLIN, 0};
        int ready = poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::nullopt;
        }
        char buffer[4096];
        ssize_t got = read(m_stdout, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            m_outputEnded = true;
            continue;
        }
        m_pending.append(buffer, static_cast<size_t>(got));
    }
}

std::optional<std::string> ChildProcess::WaitForLine(
    const std::function<bool(const std::string&)>& match, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() < 0) {
            return std::nullopt;
        }
        std::optional<std::string> line = ReadLine(left);
        if (!line) {
            return std::nullopt;
        }
        if (match(*line)) {
            return line;
        }
    }
}

std::optional<std::string> ChildProcess::WaitForPrefix(const std::string& prefix,
                                                       std::chrono::milliseconds timeout) {
    return WaitForLine([&](const std::string& line) { return line.starts_with(prefix); }, timeout);
}

int ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    if (m_pid <= 0) {
        return m_exitCode;
    }
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_exitCode = DecodeStatus(status);
            m_pid = -1;
            return m_exitCode;
        }
        if (Clock::now() >= deadline) {
            return -1;
        }
        // Drain output so that a child blocked on a full pipe can finish; the wait on the pipe
        // also paces this loop.
        if (!m_outputEnded && m_stdout >= 0) {
            pollfd entry{m_stdout, POLLIN, 0};
            if (poll(&entry, 1, 10) > 0) {
                char buffer[4096];
                ssize_t got = read(m_stdout, buffer, sizeof buffer);
                if (got > 0) {
                    m_pending.append(buffer, static_cast<size_t>(got));
                } else if (got == 0) {
                    m_outputEnded = true;
                }
            }
        } else {
            pollfd none{-1, 0, 0};
            poll(&none, 1, 10);
        }
    }
}

void ChildProcess::Stop() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        if (WaitForExit(std::chrono::milliseconds(3000)) < 0 && m_pid > 0) {
            kill(m_pid, SIGKILL);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_exitCode = DecodeStatus(status);
            m_pid = -1;
        }
    }
    if (m_stdout >= 0) {
        close(m_stdout);
        m_stdout = -1;
    }
}

}  // namespace brevanta::test

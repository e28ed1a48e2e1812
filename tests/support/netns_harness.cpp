#include "netns_harness.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "private_network.h"

extern char** environ;

namespace brevanta::test {
namespace {

constexpr const char* kNamespaceDirectory = "/run/netns/";
constexpr const char* kNamePrefix = "brvt";

// Several pairs may exist in one process one after another (or side by side); each gets its own.
std::atomic<int> g_pairCount{0};

std::string Join(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty()) {
            text += ' ';
        }
        text += word;
    }
    return text;
}

// Runs `ip` with the arguments; false with the command and its output in *error when it fails.
bool RunIp(const std::vector<std::string>& args, std::string* error) {
    std::vector<std::string> words = {"ip"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
    pid_t pid = -1;
    int spawnError = posix_spawnp(&pid, "ip", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (spawnError != 0) {
        close(output[0]);
        *error = "cannot run ip: " + std::string(std::strerror(spawnError));
        return false;
    }
    std::string text;
    char buffer[1024];
    for (;;) {
        ssize_t got = read(output[0], buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    close(output[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return true;
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    *error = Join(words) + " failed: " + text;
    return false;
}

void DeleteNamespace(const std::string& name) {
    std::string ignored;
    RunIp({"netns", "delete", name}, &ignored);
}

// The pid in a name "brvt<pid>...", or 0 when the name is not one of ours.
pid_t OwnerOf(const std::string& name) {
    if (!name.starts_with(kNamePrefix)) {
        return 0;
    }
    pid_t pid = 0;
    std::size_t i = std::strlen(kNamePrefix);
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
        pid = pid * 10 + (name[i] - '0');
    }
    return i > std::strlen(kNamePrefix) ? pid : 0;
}

// Namespaces of test processes that ended without removing theirs (killed by a timeout, say).
void RemoveStaleNamespaces() {
    std::error_code error;
    std::vector<std::string> stale;
    for (const auto& entry : std::filesystem::directory_iterator(kNamespaceDirectory, error)) {
        std::string name = entry.path().filename().string();
        pid_t owner = OwnerOf(name);
        if (owner > 0 && kill(owner, 0) != 0 && errno == ESRCH) {
            stale.push_back(name);
        }
    }
    for (const std::string& name : stale) {
        DeleteNamespace(name);
    }
}

}  // namespace

NetnsPair::~NetnsPair() {
    Remove();
}

bool NetnsPair::Create(std::string* error) {
    Remove();
    if (!CanManageNamespaces()) {
        *error = "making network namespaces needs root";
        return false;
    }
    RemoveStaleNamespaces();

    const std::string pid = std::to_string(getpid());
    const std::string pair = pid + "-" + std::to_string(g_pairCount++);
    m_deviceName = kNamePrefix + pair + "d";
    m_serverName = kNamePrefix + pair + "s";
    // Each end lives in its own fresh namespace, so these only need to be unique there; they
    // carry the pid to tell whose they are when listed. At most 15 characters.
    const std::string deviceLink = kNamePrefix + pid + "d";
    const std::string serverLink = kNamePrefix + pid + "s";

    // A namespace of this name can only be left over by an earlier process that had our pid.
    for (const std::string& name : {m_deviceName, m_serverName}) {
        if (std::filesystem::exists(kNamespaceDirectory + name)) {
            DeleteNamespace(name);
        }
    }

    const std::string& dev = m_deviceName;
    const std::string& srv = m_serverName;
    const std::vector<std::vector<std::string>> commands = {
        {"netns", "add", dev},
        {"netns", "add", srv},
        // The peer is made directly in the server namespace: neither end ever appears in the
        // namespace of the calling process.
        {"-n", dev, "link", "add", deviceLink, "type", "veth", "peer", "name", serverLink, "netns",
         srv},
        {"-n", dev, "addr", "add", std::string(kDeviceAddress) + "/24", "dev", deviceLink},
        {"-n", srv, "addr", "add", std::string(kServerAddress) + "/24", "dev", serverLink},
        {"-n", dev, "link", "set", "lo", "up"},
        {"-n", srv, "link", "set", "lo", "up"},
        {"-n", dev, "link", "set", deviceLink, "up"},
        {"-n", srv, "link", "set", serverLink, "up"},
        // Without a default route the limited broadcast address is unreachable.
        {"-n", dev, "route", "add", "default", "dev", deviceLink},
        {"-n", srv, "route", "add", "default", "dev", serverLink},
    };
    for (const auto& command : commands) {
        // Marked before the first command so that a failure part way removes what was made.
        m_created = true;
        if (!RunIp(command, error)) {
            Remove();
            return false;
        }
    }
    return true;
}

void NetnsPair::Remove() {
    if (!m_created) {
        return;
    }
    // The veth pair goes with the namespaces.
    DeleteNamespace(m_deviceName);
    DeleteNamespace(m_serverName);
    m_created = false;
}

std::string NetnsPair::DevicePath() const {
    return kNamespaceDirectory + m_deviceName;
}

std::string NetnsPair::ServerPath() const {
    return kNamespaceDirectory + m_serverName;
}

NetnsPair::ThreadGuard::~ThreadGuard() {
    if (m_previous >= 0) {
        setns(m_previous, CLONE_NEWNET);
        close(m_previous);
    }
}

std::unique_ptr<NetnsPair::ThreadGuard> NetnsPair::EnterDevice() const {
    return Enter(DevicePath());
}

std::unique_ptr<NetnsPair::ThreadGuard> NetnsPair::EnterServer() const {
    return Enter(ServerPath());
}

std::unique_ptr<NetnsPair::ThreadGuard> NetnsPair::Enter(const std::string& path) const {
    if (!m_created) {
        return nullptr;
    }
    // The calling thread's own namespace, which may differ from the process's main thread.
    int previous = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (previous < 0) {
        return nullptr;
    }
    int target = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (target < 0 || setns(target, CLONE_NEWNET) != 0) {
        if (target >= 0) {
            close(target);
        }
        close(previous);
        return nullptr;
    }
    close(target);
    return std::make_unique<ThreadGuard>(previous);
}

}  // namespace brevanta::test

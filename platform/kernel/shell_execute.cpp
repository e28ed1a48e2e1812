// ShellExecuteExW: the verb "open" hands a file to xdg-open, the desktop's handler of documents.
#include <shellapi.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "kernel/api_boundary.h"
#include "kernel/device_path.h"
#include "winbase.h"

namespace {

// The first executable xdg-open on PATH; empty when there is none.
std::string FindOpener() {
    const char* searchPath = std::getenv("PATH");
    std::string_view rest = searchPath != nullptr ? searchPath : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string_view directory = rest.substr(0, colon);
        std::string candidate(directory.empty() ? std::string_view(".") : directory);
        candidate.append("/xdg-open");
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (colon == std::string_view::npos) {
            return {};
        }
        rest.remove_prefix(colon + 1);
    }
}

// Starts the opener in a grandchild, so that the program never waits for what it opens and never
// keeps a zombie: the intermediate child ends at once and is reaped here. Only fork, setsid,
// execv and _exit run after the fork, as a threaded program requires.
bool SpawnDetached(const std::string& opener, const std::string& path) {
    char* const argv[] = {const_cast<char*>(opener.c_str()), const_cast<char*>(path.c_str()),
                          nullptr};
    const pid_t child = fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        setsid();
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            execv(argv[0], argv);
            _exit(127);
        }
        _exit(grandchild < 0 ? 1 : 0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

BOOL ShellExecuteExW(LPSHELLEXECUTEINFOW info) {
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        if (info == nullptr || info->lpFile == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (info->lpVerb != nullptr && std::u16string_view(info->lpVerb) != u"open") {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const std::optional<std::string> path = ce::kernel::DevicePathToHostPath(info->lpFile);
        if (!path) {
            SetLastError(ERROR_INVALID_NAME);
            return FALSE;
        }
        const std::string opener = FindOpener();
        if (access(path->c_str(), F_OK) != 0 || opener.empty() || !SpawnDetached(opener, *path)) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(2));
            return FALSE;
        }
        info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(42));
        return TRUE;
    });
}

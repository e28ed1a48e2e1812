#include "xvfb_process.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <sstream>

namespace brevanta::test {
namespace {

std::optional<std::string> FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream directories(path != nullptr ? path : "/usr/bin:/bin");
    std::string directory;
    while (std::getline(directories, directory, ':')) {
        std::string candidate = (directory.empty() ? "." : directory) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

bool CanConnect(const std::string& displayName) {
    Display* display = XOpenDisplay(displayName.c_str());
    if (display == nullptr) {
        return false;
    }
    XCloseDisplay(display);
    return true;
}

}  // namespace

bool XvfbProcess::Start(int width, int height, int depth, std::string* error,
                        const std::vector<std::string>& extraArguments) {
    Stop();
    // Xlib must know about threads before its first call in the process.
    XInitThreads();
    std::optional<std::string> program = FindOnPath("Xvfb");
    if (!program) {
        *error = "Xvfb is not installed";
        return false;
    }
    const std::string screen =
        std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
    // The server writes its display number to standard output once it accepts connections.
    std::vector<std::string> argv = {*program, "-displayfd", "1",   "-screen", "0",
                                     screen,   "-nolisten",  "tcp", "-noreset"};
    argv.insert(argv.end(), extraArguments.begin(), extraArguments.end());
    if (!m_process.Start(argv)) {
        *error = "cannot start " + *program;
        return false;
    }
    std::optional<std::string> number = m_process.ReadLine(kStartTimeout);
    if (!number || number->empty()) {
        *error = "Xvfb did not report a display number";
        Stop();
        return false;
    }
    m_displayName = ":" + *number;
    if (!CanConnect(m_displayName)) {
        *error = "Xvfb on " + m_displayName + " does not accept connections";
        Stop();
        return false;
    }
    return true;
}

void XvfbProcess::Stop() {
    m_process.Stop();
    m_displayName.clear();
}

}  // namespace brevanta::test

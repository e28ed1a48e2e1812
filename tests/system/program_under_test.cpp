#include "program_under_test.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <utility>

#include "wait_until.h"

namespace brevanta::test {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) {
        parts.push_back(part);
    }
    return parts;
}

std::optional<ShownWindow> ParseWindow(const std::string& line) {
    const auto space = line.find(' ');
    const auto parts = Split(line.substr(space + 1), '|');
    if (space == std::string::npos || parts.size() != 3) {
        return std::nullopt;
    }
    ShownWindow window;
    window.id = std::stoull(line.substr(0, space));
    window.className = parts[0];
    window.text = parts[1];
    std::istringstream rect(parts[2]);
    rect >> window.left >> window.top >> window.right >> window.bottom;
    return window;
}

}  // namespace

int Screenshot::CountBright(int left, int top, int right, int bottom, int level) const {
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const Rgb pixel = At(x, y);
            count += pixel.red >= level && pixel.green >= level && pixel.blue >= level ? 1 : 0;
        }
    }
    return count;
}

ProgramUnderTest::ProgramUnderTest(const std::string& programPath)
    : m_command{Folder() + "/" + std::filesystem::path(programPath).filename().string()} {
    std::filesystem::copy_file(programPath, m_command.front());
    m_controlPath = Folder() + "/control.sock";
}

ProgramUnderTest::ProgramUnderTest(InPlace launch) : m_command(std::move(launch.command)) {
    m_controlPath = Folder() + "/control.sock";
    for (const std::string& folder : {Folder(), m_screens.Path()}) {
        std::filesystem::permissions(folder, std::filesystem::perms::all);
    }
}

ProgramUnderTest::~ProgramUnderTest() {
    if (m_control >= 0) {
        close(m_control);
    }
    m_process.Stop();
}

bool ProgramUnderTest::Start(const std::vector<std::string>& environment,
                             const std::string& netnsPath) {
    std::vector<std::string> env = environment;
    for (std::string& entry : ExtraEnvironment()) {
        env.push_back(std::move(entry));
    }
    return m_process.Start(m_command, netnsPath, env);
}

bool ProgramUnderTest::StartHeadless(const std::string& netnsPath, const std::string& screen) {
    return Start({"CE_DISPLAY=headless", "CE_SCREEN=" + screen,
                  "CE_HEADLESS_CONTROL=" + m_controlPath},
                 netnsPath) &&
           Connect(std::chrono::seconds(10));
}

bool ProgramUnderTest::StartX11(const std::string& display, const std::string& netnsPath) {
    return Start({"CE_DISPLAY=x11", "DISPLAY=" + display}, netnsPath);
}

int ProgramUnderTest::WaitForExit(std::chrono::milliseconds timeout) {
    return m_process.WaitForExit(timeout);
}

bool ProgramUnderTest::Connect(std::chrono::milliseconds timeout) {
    return WaitUntil(
               [&] {
                   if (m_process.WaitForExit(std::chrono::milliseconds(0)) >= 0) {
                       return true;  // it ended: nothing will answer
                   }
                   const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
                   sockaddr_un address{};
                   address.sun_family = AF_UNIX;
                   std::snprintf(address.sun_path, sizeof address.sun_path, "%s",
                                 m_controlPath.c_str());
                   if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                       m_control = fd;
                       return true;
                   }
                   close(fd);
                   return false;
               },
               timeout) &&
           m_control >= 0;
}

std::vector<std::string> ProgramUnderTest::Command(const std::string& line) {
    std::vector<std::string> answer;
    if (m_control < 0) {
        return answer;
    }
    const std::string request = line + "\n";
    if (send(m_control, request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size())) {
        return answer;
    }
    // "windows" and "children" answer several lines up to an empty one; the rest one line.
    const bool listing = line.starts_with("windows") || line.starts_with("children");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        const auto newline = m_pending.find('\n');
        if (newline != std::string::npos) {
            std::string text = m_pending.substr(0, newline);
            m_pending.erase(0, newline + 1);
            if (listing && answer.size() > 0 && text.empty()) {
                return answer;
            }
            answer.push_back(text);
            if (!listing || answer.front() != "ok") {
                return answer;
            }
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{m_control, POLLIN, 0};
        if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            return {};
        }
        char buffer[4096];
        const ssize_t got = recv(m_control, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return {};
        }
        m_pending.append(buffer, static_cast<std::size_t>(got));
    }
}

bool ProgramUnderTest::Tap(int x, int y) {
    const auto answer = Command("tap " + std::to_string(x) + " " + std::to_string(y));
    return answer.size() == 1 && answer[0] == "ok";
}

bool ProgramUnderTest::Key(int virtualKey, int character) {
    const auto answer =
        Command("key " + std::to_string(virtualKey) + " " + std::to_string(character));
    return answer.size() == 1 && answer[0] == "ok";
}

std::optional<Screenshot> ProgramUnderTest::Screen() {
    const std::string path = m_screens.Path() + "/screen.ppm";
    const auto answer = Command("screenshot " + path);
    if (answer.size() != 1 || answer[0] != "ok") {
        return std::nullopt;
    }
    const auto bytes = ReadFileBytes(path);
    if (!bytes) {
        return std::nullopt;
    }
    Screenshot screen;
    int maximum = 0;
    int consumed = 0;
    if (std::sscanf(bytes->c_str(), "P6 %d %d %d%n", &screen.width, &screen.height, &maximum,
                    &consumed) != 3 ||
        maximum != 255) {
        return std::nullopt;
    }
    const std::size_t start = static_cast<std::size_t>(consumed) + 1;
    const std::size_t count = static_cast<std::size_t>(screen.width * screen.height);
    if (bytes->size() < start + count * 3) {
        return std::nullopt;
    }
    screen.pixels.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        screen.pixels[i] = Rgb{static_cast<std::uint8_t>((*bytes)[start + i * 3]),
                               static_cast<std::uint8_t>((*bytes)[start + i * 3 + 1]),
                               static_cast<std::uint8_t>((*bytes)[start + i * 3 + 2])};
    }
    return screen;
}

std::vector<ShownWindow> ProgramUnderTest::Windows() {
    std::vector<ShownWindow> windows;
    const auto answer = Command("windows");
    for (std::size_t i = 1; i < answer.size(); ++i) {
        if (auto window = ParseWindow(answer[i])) {
            windows.push_back(*window);
        }
    }
    return windows;
}

std::vector<ShownWindow> ProgramUnderTest::Children(std::uint64_t window) {
    std::vector<ShownWindow> windows;
    const auto answer = Command("children " + std::to_string(window));
    for (std::size_t i = 1; i < answer.size(); ++i) {
        if (auto child = ParseWindow(answer[i])) {
            windows.push_back(*child);
        }
    }
    return windows;
}

bool ProgramUnderTest::WaitForWindowCount(std::size_t count, std::chrono::milliseconds timeout) {
    return WaitUntil([&] { return Windows().size() == count; }, timeout);
}

}  // namespace brevanta::test

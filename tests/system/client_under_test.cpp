#include "client_under_test.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "wait_until.h"

namespace brevanta::test {
namespace {

// The "open" handler the program finds first on PATH: it notes the file it was given.
constexpr char kOpener[] = "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened.txt\"\n";

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

ClientUnderTest::ClientUnderTest() {
    // A copy, so that the program's record file is this test's own.
    std::filesystem::copy_file(BREVANTA_CLIENT_PATH, Folder() + "/BrevantaClient");
    m_folder.WriteFile("xdg-open", kOpener);
    std::filesystem::permissions(Folder() + "/xdg-open", std::filesystem::perms::owner_all);
    m_controlPath = Folder() + "/control.sock";
}

ClientUnderTest::~ClientUnderTest() {
    if (m_control >= 0) {
        close(m_control);
    }
    m_process.Stop();
}

void ClientUnderTest::WriteRecord(const std::string& bytes) {
    m_folder.WriteFile("brevantaclient.txt", bytes);
}

std::optional<std::string> ClientUnderTest::Record() const {
    return ReadFileBytes(Folder() + "/brevantaclient.txt");
}

std::string ClientUnderTest::Opened() const {
    return ReadFileBytes(Folder() + "/opened.txt").value_or("");
}

bool ClientUnderTest::Start(const std::vector<std::string>& environment,
                            const std::string& netnsPath) {
    std::vector<std::string> env = environment;
    const char* path = std::getenv("PATH");
    env.push_back("PATH=" + Folder() + ":" + (path != nullptr ? path : "/usr/bin:/bin"));
    return m_process.Start({Folder() + "/BrevantaClient"}, netnsPath, env);
}

bool ClientUnderTest::StartHeadless(const std::string& netnsPath, const std::string& screen) {
    return Start({"CE_DISPLAY=headless", "CE_SCREEN=" + screen,
                  "CE_HEADLESS_CONTROL=" + m_controlPath},
                 netnsPath) &&
           Connect(std::chrono::seconds(10));
}

bool ClientUnderTest::StartX11(const std::string& display, const std::string& netnsPath) {
    return Start({"CE_DISPLAY=x11", "DISPLAY=" + display}, netnsPath);
}

int ClientUnderTest::WaitForExit(std::chrono::milliseconds timeout) {
    return m_process.WaitForExit(timeout);
}

bool ClientUnderTest::Connect(std::chrono::milliseconds timeout) {
    return WaitUntil(
               [&] {
                   if (!m_process.Running()) {
                       return true;
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

std::vector<std::string> ClientUnderTest::Command(const std::string& line) {
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

bool ClientUnderTest::Tap(int x, int y) {
    const auto answer = Command("tap " + std::to_string(x) + " " + std::to_string(y));
    return answer.size() == 1 && answer[0] == "ok";
}

bool ClientUnderTest::Key(int virtualKey, int character) {
    const auto answer =
        Command("key " + std::to_string(virtualKey) + " " + std::to_string(character));
    return answer.size() == 1 && answer[0] == "ok";
}

std::optional<Screenshot> ClientUnderTest::Screen() {
    const std::string path = Folder() + "/screen.ppm";
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

std::vector<ShownWindow> ClientUnderTest::Windows() {
    std::vector<ShownWindow> windows;
    const auto answer = Command("windows");
    for (std::size_t i = 1; i < answer.size(); ++i) {
        if (auto window = ParseWindow(answer[i])) {
            windows.push_back(*window);
        }
    }
    return windows;
}

std::vector<ShownWindow> ClientUnderTest::Children(std::uint64_t window) {
    std::vector<ShownWindow> windows;
    const auto answer = Command("children " + std::to_string(window));
    for (std::size_t i = 1; i < answer.size(); ++i) {
        if (auto child = ParseWindow(answer[i])) {
            windows.push_back(*child);
        }
    }
    return windows;
}

bool ClientUnderTest::WaitForWindowCount(std::size_t count, std::chrono::milliseconds timeout) {
    return WaitUntil([&] { return Windows().size() == count; }, timeout);
}

Rgb BackgroundPixel(const std::string& bmpPath, int x, int y) {
    // A bottom-up 16-bit 5-5-5 bitmap as the artwork generator writes it.
    const std::string bytes = ReadFileBytes(bmpPath).value_or("");
    auto word = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
               static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
    };
    const std::size_t offset = word(10) | word(12) << 16;
    const int width = static_cast<int>(word(18));
    const int height = static_cast<int>(word(22));
    const std::size_t row = static_cast<std::size_t>((width * 2 + 3) & ~3);
    const unsigned pixel = word(offset + static_cast<std::size_t>(height - 1 - y) * row +
                                static_cast<std::size_t>(x) * 2);
    // 5-5-5 to the 565 screen and back to 8 bits, as the screenshot shows it.
    const unsigned red5 = (pixel >> 10) & 31u;
    const unsigned green6 = (((pixel >> 5) & 31u) << 1) | (((pixel >> 5) & 31u) >> 4);
    const unsigned blue5 = pixel & 31u;
    return Rgb{static_cast<std::uint8_t>((red5 << 3) | (red5 >> 2)),
               static_cast<std::uint8_t>((green6 << 2) | (green6 >> 4)),
               static_cast<std::uint8_t>((blue5 << 3) | (blue5 >> 2))};
}

}  // namespace brevanta::test

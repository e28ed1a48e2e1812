// A program of this project run by a test: a copy in a folder of its own, started on the
// headless display or an X display, and driven through the headless control socket.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "test_files.h"

namespace brevanta::test {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    // Pixels inside the rectangle (right and bottom exclusive) whose channels are all >= level.
    int CountBright(int left, int top, int right, int bottom, int level = 200) const;
};

// One line of the control socket's "windows" or "children" answers.
struct ShownWindow {
    std::uint64_t id = 0;
    std::string className;
    std::string text;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class ProgramUnderTest {
public:
    // Copies the program into the test's folder under its own name.
    explicit ProgramUnderTest(const std::string& programPath);
    // Runs the program where it is installed, through a command that ends in its path (chroot
    // and setpriv may come first). The folders the program writes to are open to every user,
    // since the command may start it as another.
    struct InPlace {
        std::vector<std::string> command;
    };
    explicit ProgramUnderTest(InPlace launch);
    virtual ~ProgramUnderTest();
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

    const std::string& Folder() const { return m_folder.Path(); }
    const std::string& ControlPath() const { return m_controlPath; }
    // Lines the program wrote on standard output so far.
    ChildProcess& Process() { return m_process; }

    // Starts on the headless screen (CE_SCREEN=size) with its control socket; with a namespace
    // path the program runs in that network namespace. Waits until the socket answers.
    bool StartHeadless(const std::string& netnsPath = {}, const std::string& screen = "272x480");
    // Starts on an X display.
    bool StartX11(const std::string& display, const std::string& netnsPath = {});
    // Exit code once the program ended within the timeout, -1 otherwise.
    int WaitForExit(std::chrono::milliseconds timeout);
    bool Running() const { return m_process.Running(); }

    // ---- headless only ----
    // The answer lines of one control command (without the terminating empty line).
    std::vector<std::string> Command(const std::string& line);
    bool Tap(int x, int y);
    bool Key(int virtualKey, int character);
    std::optional<Screenshot> Screen();
    std::vector<ShownWindow> Windows();
    std::vector<ShownWindow> Children(std::uint64_t window);
    // Waits until the number of visible top-level windows is count.
    bool WaitForWindowCount(std::size_t count,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits until a screenshot satisfies the condition.
    template <class Condition>
    bool WaitForScreen(Condition condition,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10));

protected:
    // Environment entries every start adds (for example a PATH); none by default.
    virtual std::vector<std::string> ExtraEnvironment() const { return {}; }

    TemporaryDirectory m_folder;

private:
    bool Start(const std::vector<std::string>& environment, const std::string& netnsPath);
    bool Connect(std::chrono::milliseconds timeout);

    std::vector<std::string> m_command;
    // Screenshots land apart from the program's folder, which a test may make read-only.
    TemporaryDirectory m_screens;
    ChildProcess m_process;
    std::string m_controlPath;
    int m_control = -1;
    std::string m_pending;
};

template <class Condition>
bool ProgramUnderTest::WaitForScreen(Condition condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        if (auto screen = Screen(); screen && condition(*screen)) {
            return true;
        }
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

}  // namespace brevanta::test

// Tavrelin run by a test, and the viewer that a test drives it with: the viewer runs a script
// (no window) and the test reads its output lines and the pictures it saved.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "program_under_test.h"

namespace brevanta::test {

class TavrelinUnderTest : public ProgramUnderTest {
public:
    // Instances given the same objects folder see each other's single-instance mutex; by
    // default each test's headless program has a folder of its own.
    explicit TavrelinUnderTest(std::string objectsFolder = {});

    // Waits until something listens on the viewer port in the test's network namespace.
    static bool WaitUntilListening(bool listening = true,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // ---- headless only ----
    // The control window's children ("Start", "Stop", "Exit", the address and status lines),
    // once all five are there.
    std::vector<ShownWindow> Controls();
    // The control that shows the text, once one does (within a few seconds).
    std::optional<ShownWindow> Control(const std::string& text);

protected:
    std::vector<std::string> ExtraEnvironment() const override;

private:
    std::string m_objectsFolder;
};

struct ViewerRun {
    int exitCode = -1;
    std::vector<std::string> lines;
    // The first line that starts with the prefix, or empty.
    std::string Line(const std::string& prefix) const;
    // The value of "name=" in a line, or -1.
    static long Field(const std::string& line, const std::string& name);
};

// Starts tavrelin-viewer with a script against the local server, for tests that act while it
// runs (its output lines come through the process); with an empty script it opens its window
// (on the display its options name). With a namespace path the viewer runs in that network
// namespace (its options then name the server's address).
bool StartViewer(ChildProcess& viewer, const std::string& script,
                 const std::vector<std::string>& options = {}, const std::string& netnsPath = {});
// Runs tavrelin-viewer with a script against the local server and waits for its end.
ViewerRun RunViewer(const std::string& script, const std::vector<std::string>& options = {},
                    std::chrono::milliseconds timeout = std::chrono::seconds(30));

// A PNG the viewer saved, as 8-bit channels.
std::optional<Screenshot> ReadPng(const std::string& path);
// A pixel reduced to RGB565, the depth of everything the server sends.
std::uint16_t To565(const Rgb& pixel);
// True when both pictures have the same size and the same RGB565 pixels.
bool Same565(const Screenshot& a, const Screenshot& b);
// Bands (of 40, in the server's bottom-up byte order) that hold a pixel other than white.
int NonWhiteBands(const Screenshot& screen);

}  // namespace brevanta::test

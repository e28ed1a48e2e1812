// BrevantaClient run by a test: a copy of the program in a folder of its own (its record file
// lives beside it, and the "open" handler the test puts there records what it is given), started
// on the headless display or an X display, and driven through the headless control socket.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "program_under_test.h"

namespace brevanta::test {

class ClientUnderTest : public ProgramUnderTest {
public:
    ClientUnderTest();

    void WriteRecord(const std::string& bytes);
    std::optional<std::string> Record() const;
    // The paths the "open" handler was given, one per line; empty when it never ran.
    std::string Opened() const;

protected:
    // The folder comes first on PATH, so the program finds the test's "open" handler.
    std::vector<std::string> ExtraEnvironment() const override;
};

// The pixel of the program's own background picture at a point, as the 565 screen shows it.
Rgb BackgroundPixel(const std::string& bmpPath, int x, int y);

}  // namespace brevanta::test

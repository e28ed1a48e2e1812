// Whether the tests run under QEMU's user-mode emulation: ctest sets BREVANTA_EMULATED for the
// tests of a cross build that it runs through an emulator (tests/CMakeLists.txt).
#pragma once

#include <cstdlib>
#include <string_view>

namespace brevanta::test {

inline bool RunsEmulated() {
    const char* value = std::getenv("BREVANTA_EMULATED");
    return value != nullptr && std::string_view(value) != "" && std::string_view(value) != "0";
}

}  // namespace brevanta::test

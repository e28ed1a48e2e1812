// What the kernel is told of the pointer device before it is made: its name and identity, the
// kinds of events, the keys and the axes with their ranges.
#pragma once

#include <linux/input.h>
#include <linux/uinput.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "windef.h"

namespace ce::drivers::kernel_remote {

struct UinputAxis {
    std::uint16_t code = 0;
    input_absinfo info{};
};

struct UinputDescription {
    uinput_setup setup{};
    std::vector<int> eventTypes;
    std::vector<int> keys;
    std::vector<UinputAxis> axes;
    // INPUT_PROP_* bits.
    std::vector<int> properties;
};

// An absolute pointer over a screen of the size (at least 1x1), with a left and a right button:
// a position of the axes is a pixel of that screen.
UinputDescription AbsolutePointer(SIZE screen, std::string_view name);

}  // namespace ce::drivers::kernel_remote

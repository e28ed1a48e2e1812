// The keys of a keyboard as the kernel numbers them (linux/input-event-codes.h) and what they
// mean to the window system: the VK_ code and the character a press types, for a US layout.
//
// The x11 driver's table starts from X key symbols, which already carry the layout; the kernel's
// numbers name physical keys, so this is a table of its own over the same set of keys: letters,
// digits, the keypad's digits and point, '.', Enter, Escape, Backspace, Tab, Delete, Space, the
// arrows, Home and End.
#pragma once

#include <cstdint>
#include <optional>

#include "windef.h"

namespace ce::drivers::kms {

struct KeyMeaning {
    UINT virtualKey = 0;
    // What a press types, 0 for none.
    char16_t character = 0;
};

// Nothing for keys the device does not have. Shift changes what letters and digits type, never
// the virtual key; the keypad types digits (Num Lock is taken to be on).
std::optional<KeyMeaning> MeaningOfKey(std::uint32_t code, bool shift);

}  // namespace ce::drivers::kms

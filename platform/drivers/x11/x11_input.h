// Pointer and key events of the X server as the layer's input events.
#pragma once

#include "drivers/x11/x11_xlib.h"

#include <optional>

#include "drivers/display_driver.h"

namespace ce::drivers::x11 {

// The VK_ code of a key symbol, 0 for keys the device does not have. Letters and digits are
// their upper-case ASCII and digit codes.
UINT VirtualKeyOf(KeySym keySym);

// The input event for a button 1 press or release, pointer motion, or key press or release of
// a known key; nothing for other events. The window is left 0 for the caller to fill.
std::optional<InputEvent> TranslateInput(XEvent& event);

}  // namespace ce::drivers::x11

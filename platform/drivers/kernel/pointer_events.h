// The input events of one synthesised pointer record, as the kernel takes them from a uinput
// device: the changes, then SYN_REPORT, which makes them one report.
#pragma once

#include <linux/input.h>

#include <vector>

#include "windef.h"

#include "drivers/remote_access.h"

namespace ce::drivers::kernel_remote {

// The pixel of a screen of the size nearest to a position.
POINT NearestPixel(POINT position, SIZE screen);

// The pointer to the pixel of a screen of the size nearest to `to`.
std::vector<input_event> MoveEvents(POINT to, SIZE screen);
std::vector<input_event> ButtonEvents(MouseButton button, bool down);

}  // namespace ce::drivers::kernel_remote

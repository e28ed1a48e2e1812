#include "drivers/kernel/uinput_description.h"

#include <algorithm>
#include <cstring>

namespace ce::drivers::kernel_remote {

// The device is what QEMU's USB tablet is: ABS_X and ABS_Y with BTN_LEFT and BTN_RIGHT, and no
// BTN_TOUCH, no BTN_TOOL_* and no INPUT_PROP_DIRECT. udev's input_id then tags it a mouse with
// absolute axes (not a touchscreen, tablet or touchpad), and libinput makes it a pointer whose
// motion is LIBINPUT_EVENT_POINTER_MOTION_ABSOLUTE over the axes' range; Xorg's libinput driver
// and compositors map that range onto the whole screen with no calibration. As a touchscreen
// (INPUT_PROP_DIRECT or BTN_TOUCH) it would be tied to one output and give touches, not button
// presses; as a tablet (BTN_TOOL_PEN) it would need a tool in proximity before anything moves.
// INPUT_PROP_POINTER is left out too: it marks indirect devices such as touchpads.
UinputDescription AbsolutePointer(SIZE screen, std::string_view name) {
    UinputDescription description;
    description.setup.id.bustype = BUS_VIRTUAL;
    const std::size_t length = std::min(name.size(), sizeof(description.setup.name) - 1);
    std::memcpy(description.setup.name, name.data(), length);
    description.eventTypes = {EV_KEY, EV_ABS};
    description.keys = {BTN_LEFT, BTN_RIGHT};
    const int width = std::max<int>(screen.cx, 1);
    const int height = std::max<int>(screen.cy, 1);
    description.axes = {{ABS_X, input_absinfo{0, 0, width - 1, 0, 0, 0}},
                        {ABS_Y, input_absinfo{0, 0, height - 1, 0, 0, 0}}};
    return description;
}

}  // namespace ce::drivers::kernel_remote

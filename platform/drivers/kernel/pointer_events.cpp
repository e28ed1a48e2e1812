#include "drivers/kernel/pointer_events.h"

#include <algorithm>

namespace ce::drivers::kernel_remote {
namespace {

// The kernel stamps the time of each event it takes from a uinput device.
input_event Event(int type, int code, int value) {
    input_event event{};
    event.type = static_cast<__u16>(type);
    event.code = static_cast<__u16>(code);
    event.value = value;
    return event;
}

}  // namespace

POINT NearestPixel(POINT position, SIZE screen) {
    return POINT{std::clamp<LONG>(position.x, 0, std::max<LONG>(screen.cx - 1, 0)),
                 std::clamp<LONG>(position.y, 0, std::max<LONG>(screen.cy - 1, 0))};
}

std::vector<input_event> MoveEvents(POINT to, SIZE screen) {
    const POINT pixel = NearestPixel(to, screen);
    return {Event(EV_ABS, ABS_X, static_cast<int>(pixel.x)),
            Event(EV_ABS, ABS_Y, static_cast<int>(pixel.y)), Event(EV_SYN, SYN_REPORT, 0)};
}

std::vector<input_event> ButtonEvents(MouseButton button, bool down) {
    const int code = button == MouseButton::kLeft ? BTN_LEFT : BTN_RIGHT;
    return {Event(EV_KEY, code, down ? 1 : 0), Event(EV_SYN, SYN_REPORT, 0)};
}

}  // namespace ce::drivers::kernel_remote

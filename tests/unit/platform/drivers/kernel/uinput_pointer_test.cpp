// The uinput pointer: a device that udev and libinput take for an absolute pointer over the whole
// screen (the kernel's codes from its own headers), and the events each pointer record becomes.
#include <gtest/gtest.h>
#include <linux/input.h>

#include <algorithm>
#include <vector>

#include "drivers/kernel/pointer_events.h"
#include "drivers/kernel/uinput_description.h"

namespace ce::drivers::kernel_remote {
namespace {

struct Event {
    int type;
    int code;
    int value;
    bool operator==(const Event&) const = default;
};

void PrintTo(const Event& event, std::ostream* out) {
    *out << "{" << event.type << ", " << event.code << ", " << event.value << "}";
}

std::vector<Event> Plain(const std::vector<input_event>& events) {
    std::vector<Event> plain;
    for (const input_event& event : events) {
        plain.push_back({event.type, event.code, event.value});
    }
    return plain;
}

bool Has(const std::vector<int>& codes, int code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

TEST(UinputPointer, IsAnAbsolutePointerOverTheScreenAndSendsEachRecordAsOneReport) {
    const SIZE screen{272, 480};
    const UinputDescription device = AbsolutePointer(screen, "Tavrelin remote pointer");
    EXPECT_STREQ(device.setup.name, "Tavrelin remote pointer");
    ASSERT_EQ(device.axes.size(), 2u);
    for (const UinputAxis& axis : device.axes) {
        SCOPED_TRACE(axis.code);
        const LONG pixels = axis.code == ABS_X ? screen.cx : screen.cy;
        EXPECT_TRUE(axis.code == ABS_X || axis.code == ABS_Y);
        EXPECT_EQ(axis.info.minimum, 0);
        EXPECT_EQ(axis.info.maximum, pixels - 1) << "one value per pixel";
    }
    EXPECT_TRUE(Has(device.eventTypes, EV_ABS) && Has(device.eventTypes, EV_KEY));
    EXPECT_TRUE(Has(device.keys, BTN_LEFT) && Has(device.keys, BTN_RIGHT));
    // What would make udev and libinput take it for a touchscreen or a tablet instead.
    for (const int key : {BTN_TOUCH, BTN_TOOL_PEN, BTN_STYLUS, BTN_TOOL_FINGER}) {
        EXPECT_FALSE(Has(device.keys, key)) << key;
    }
    EXPECT_FALSE(Has(device.properties, INPUT_PROP_DIRECT));

    struct Case {
        const char* name;
        std::vector<input_event> events;
        std::vector<Event> expected;
    };
    const Event report{EV_SYN, SYN_REPORT, 0};
    const Case cases[] = {
        {"move",
         MoveEvents(POINT{10, 20}, screen),
         {{EV_ABS, ABS_X, 10}, {EV_ABS, ABS_Y, 20}, report}},
        {"move to the last pixel",
         MoveEvents(POINT{271, 479}, screen),
         {{EV_ABS, ABS_X, 271}, {EV_ABS, ABS_Y, 479}, report}},
        {"move beyond the screen stops at its edge",
         MoveEvents(POINT{-5, 900}, screen),
         {{EV_ABS, ABS_X, 0}, {EV_ABS, ABS_Y, 479}, report}},
        {"left down", ButtonEvents(MouseButton::kLeft, true), {{EV_KEY, BTN_LEFT, 1}, report}},
        {"left up", ButtonEvents(MouseButton::kLeft, false), {{EV_KEY, BTN_LEFT, 0}, report}},
        {"right down", ButtonEvents(MouseButton::kRight, true), {{EV_KEY, BTN_RIGHT, 1}, report}},
        {"right up", ButtonEvents(MouseButton::kRight, false), {{EV_KEY, BTN_RIGHT, 0}, report}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Plain(c.events), c.expected);
    }
}

}  // namespace
}  // namespace ce::drivers::kernel_remote

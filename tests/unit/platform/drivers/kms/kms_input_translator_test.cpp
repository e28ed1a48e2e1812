// What the input devices' reports become for the window system.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <optional>
#include <vector>

#include "winuser.h"

#include "drivers/kms/kms_input_translator.h"

namespace ce::drivers::kms {
namespace {

using Device = DeviceInput::Kind;
using Event = InputEvent::Kind;

// Win32's virtual keys that winuser.h leaves out.
constexpr UINT kVkNumpad0 = 0x60;
constexpr UINT kVkDecimal = 0x6E;
constexpr UINT kVkOemPeriod = 0xBE;

constexpr SIZE kScreen{272, 480};
// The mouse pointer starts in the middle.
constexpr LONG kMiddleX = kScreen.cx / 2;
constexpr LONG kMiddleY = kScreen.cy / 2;

DeviceInput Touch(Device kind, int slot, double x = 0, double y = 0) {
    DeviceInput input;
    input.kind = kind;
    input.slot = slot;
    input.x = x;
    input.y = y;
    return input;
}

DeviceInput At(Device kind, double x, double y, bool pressed = false) {
    DeviceInput input;
    input.kind = kind;
    input.x = x;
    input.y = y;
    input.pressed = pressed;
    return input;
}

DeviceInput Press(Device kind, std::uint32_t code, bool pressed) {
    DeviceInput input;
    input.kind = kind;
    input.code = code;
    input.pressed = pressed;
    return input;
}

struct Expected {
    Event kind;
    POINT screen{};
    UINT virtualKey = 0;
    char16_t character = 0;
};

Expected Pointer(Event kind, LONG x, LONG y) {
    return Expected{kind, POINT{x, y}};
}

Expected Key(Event kind, UINT virtualKey, char16_t character) {
    return Expected{kind, POINT{}, virtualKey, character};
}

TEST(KmsInputTranslator, TurnsDeviceReportsIntoPointerAndKeyEvents) {
    struct Row {
        const char* name;
        std::vector<DeviceInput> inputs;
        // What each input gives, nothing for none.
        std::vector<std::optional<Expected>> events;
    };
    const Row rows[] = {
        {"a touch presses where it lands, drags and lifts",
         {Touch(Device::kTouchDown, 0, 10.7, 20.2), Touch(Device::kTouchMotion, 0, 30.5, 40.9),
          Touch(Device::kTouchUp, 0)},
         {Pointer(Event::kPointerDown, 10, 20), Pointer(Event::kPointerMove, 30, 40),
          Pointer(Event::kPointerUp, 30, 40)}},
        {"a touch on the far edges stays on the screen",
         {Touch(Device::kTouchDown, 3, kScreen.cx, kScreen.cy), Touch(Device::kTouchUp, 3)},
         {Pointer(Event::kPointerDown, kScreen.cx - 1, kScreen.cy - 1),
          Pointer(Event::kPointerUp, kScreen.cx - 1, kScreen.cy - 1)}},
        {"a second finger does nothing",
         {Touch(Device::kTouchDown, 0, 5, 5), Touch(Device::kTouchDown, 1, 100, 100),
          Touch(Device::kTouchMotion, 1, 110, 110), Touch(Device::kTouchUp, 1),
          Touch(Device::kTouchMotion, 0, 6, 7), Touch(Device::kTouchUp, 0)},
         {Pointer(Event::kPointerDown, 5, 5), std::nullopt, std::nullopt, std::nullopt,
          Pointer(Event::kPointerMove, 6, 7), Pointer(Event::kPointerUp, 6, 7)}},
        {"a cancelled touch releases",
         {Touch(Device::kTouchDown, 0, 50, 60), Touch(Device::kTouchCancel, 0)},
         {Pointer(Event::kPointerDown, 50, 60), Pointer(Event::kPointerUp, 50, 60)}},
        {"mouse motion adds up from the middle and stops at the edges",
         {At(Device::kPointerMotion, 10.5, -20.25), At(Device::kPointerMotion, 0.5, 0.5),
          At(Device::kPointerMotion, 1000, -1000), At(Device::kPointerMotion, -0.5, 0.5),
          At(Device::kPointerMotion, -10000, 10000)},
         {Pointer(Event::kPointerMove, kMiddleX + 10, kMiddleY - 21),
          Pointer(Event::kPointerMove, kMiddleX + 11, kMiddleY - 20),
          Pointer(Event::kPointerMove, kScreen.cx - 1, 0),
          Pointer(Event::kPointerMove, kScreen.cx - 2, 0),
          Pointer(Event::kPointerMove, 0, kScreen.cy - 1)}},
        {"the left mouse button presses where the pointer is; the others do nothing",
         {At(Device::kPointerMotion, 4, -40), Press(Device::kPointerButton, BTN_RIGHT, true),
          Press(Device::kPointerButton, BTN_LEFT, true), At(Device::kPointerMotion, 1, 1),
          Press(Device::kPointerButton, BTN_LEFT, false),
          Press(Device::kPointerButton, BTN_RIGHT, false)},
         {Pointer(Event::kPointerMove, kMiddleX + 4, kMiddleY - 40), std::nullopt,
          Pointer(Event::kPointerDown, kMiddleX + 4, kMiddleY - 40),
          Pointer(Event::kPointerMove, kMiddleX + 5, kMiddleY - 39),
          Pointer(Event::kPointerUp, kMiddleX + 5, kMiddleY - 39), std::nullopt}},
        {"an absolute pointer moves to where it points",
         {At(Device::kPointerAbsolute, 100.9, 200.1), Press(Device::kPointerButton, BTN_LEFT, true),
          Press(Device::kPointerButton, BTN_LEFT, false)},
         {Pointer(Event::kPointerMove, 100, 200), Pointer(Event::kPointerDown, 100, 200),
          Pointer(Event::kPointerUp, 100, 200)}},
        {"a pen's tip presses where it touches",
         {At(Device::kTabletAxis, 20, 30), At(Device::kTabletTip, 21, 31, true),
          At(Device::kTabletAxis, 25, 35), At(Device::kTabletTip, 26, 36, false)},
         {Pointer(Event::kPointerMove, 20, 30), Pointer(Event::kPointerDown, 21, 31),
          Pointer(Event::kPointerMove, 25, 35), Pointer(Event::kPointerUp, 26, 36)}},
        {"while a touch presses, the mouse button neither presses nor releases",
         {Touch(Device::kTouchDown, 0, 10, 10), Press(Device::kPointerButton, BTN_LEFT, true),
          Press(Device::kPointerButton, BTN_LEFT, false), Touch(Device::kTouchUp, 0)},
         {Pointer(Event::kPointerDown, 10, 10), std::nullopt, std::nullopt,
          Pointer(Event::kPointerUp, 10, 10)}},
        {"digits, points and the editing keys",
         {Press(Device::kKey, KEY_1, true), Press(Device::kKey, KEY_1, false),
          Press(Device::kKey, KEY_0, true), Press(Device::kKey, KEY_KP7, true),
          Press(Device::kKey, KEY_DOT, true), Press(Device::kKey, KEY_KPDOT, true),
          Press(Device::kKey, KEY_BACKSPACE, true), Press(Device::kKey, KEY_ENTER, true),
          Press(Device::kKey, KEY_KPENTER, true), Press(Device::kKey, KEY_ESC, true),
          Press(Device::kKey, KEY_LEFT, true), Press(Device::kKey, KEY_RIGHT, true),
          Press(Device::kKey, KEY_UP, true), Press(Device::kKey, KEY_DOWN, true)},
         {Key(Event::kKeyDown, '1', u'1'), Key(Event::kKeyUp, '1', 0),
          Key(Event::kKeyDown, '0', u'0'), Key(Event::kKeyDown, kVkNumpad0 + 7, u'7'),
          Key(Event::kKeyDown, kVkOemPeriod, u'.'), Key(Event::kKeyDown, kVkDecimal, u'.'),
          Key(Event::kKeyDown, VK_BACK, u'\b'), Key(Event::kKeyDown, VK_RETURN, u'\r'),
          Key(Event::kKeyDown, VK_RETURN, u'\r'), Key(Event::kKeyDown, VK_ESCAPE, 0x1B),
          Key(Event::kKeyDown, VK_LEFT, 0), Key(Event::kKeyDown, VK_RIGHT, 0),
          Key(Event::kKeyDown, VK_UP, 0), Key(Event::kKeyDown, VK_DOWN, 0)}},
        {"Shift changes what a key types, and is no key of its own",
         {Press(Device::kKey, KEY_A, true), Press(Device::kKey, KEY_RIGHTSHIFT, true),
          Press(Device::kKey, KEY_A, true), Press(Device::kKey, KEY_2, true),
          Press(Device::kKey, KEY_RIGHTSHIFT, false), Press(Device::kKey, KEY_Q, true)},
         {Key(Event::kKeyDown, 'A', u'a'), std::nullopt, Key(Event::kKeyDown, 'A', u'A'),
          Key(Event::kKeyDown, '2', u'@'), std::nullopt, Key(Event::kKeyDown, 'Q', u'q')}},
        {"keys the device does not have",
         {Press(Device::kKey, KEY_F1, true), Press(Device::kKey, KEY_LEFTCTRL, true)},
         {std::nullopt, std::nullopt}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(row.inputs.size(), row.events.size());
        InputTranslator translator(kScreen);
        for (std::size_t i = 0; i < row.inputs.size(); ++i) {
            SCOPED_TRACE(i);
            const std::optional<InputEvent> event = translator.Translate(row.inputs[i]);
            const std::optional<Expected>& expected = row.events[i];
            ASSERT_EQ(event.has_value(), expected.has_value());
            if (!event) {
                continue;
            }
            EXPECT_EQ(event->kind, expected->kind);
            EXPECT_EQ(event->window, 0u) << "the window system finds the window";
            if (expected->kind == Event::kKeyDown || expected->kind == Event::kKeyUp) {
                EXPECT_EQ(event->virtualKey, expected->virtualKey);
                EXPECT_EQ(event->character, expected->character);
            } else {
                EXPECT_EQ(event->screen.x, expected->screen.x);
                EXPECT_EQ(event->screen.y, expected->screen.y);
            }
        }
    }
}

}  // namespace
}  // namespace ce::drivers::kms

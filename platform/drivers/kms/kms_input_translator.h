// What the input devices report, made into the window system's input events. The input thread
// reads libinput's events into DeviceInput; everything that decides what they mean is here,
// free of libinput, so that it can be tested without devices.
//
// The window system has one pointer with one button. A touch, a tablet pen's tip and the left
// mouse button all press it; while it is pressed by one of them, the others' presses and any
// further finger are ignored, so that every press the window system sees has its release.
#pragma once

#include <cstdint>
#include <optional>

#include "drivers/display_driver.h"

namespace ce::drivers::kms {

struct DeviceInput {
    enum class Kind {
        kTouchDown,        // slot; x, y on the screen
        kTouchMotion,      // slot; x, y on the screen
        kTouchUp,          // slot
        kTouchCancel,      // slot
        kPointerMotion,    // x, y: relative motion of a mouse
        kPointerAbsolute,  // x, y on the screen
        kPointerButton,    // code (BTN_*), pressed
        kTabletAxis,       // x, y on the screen
        kTabletTip,        // x, y on the screen; pressed: the tip touches
        kKey,              // code (KEY_*), pressed
    };
    Kind kind = Kind::kPointerMotion;
    // Screen coordinates as libinput transforms them to the screen size (0 to the size, the
    // size itself included), or a relative motion in pixels.
    double x = 0;
    double y = 0;
    int slot = 0;
    std::uint32_t code = 0;
    bool pressed = false;
};

class InputTranslator {
public:
    // The mouse pointer starts in the middle of the screen.
    explicit InputTranslator(SIZE screen);

    // The event the window system gets, or nothing.
    std::optional<InputEvent> Translate(const DeviceInput& input);

private:
    enum class Presser { kNone, kTouch, kTablet, kMouse };

    std::optional<InputEvent> MoveTo(double x, double y);
    std::optional<InputEvent> Press(Presser presser);
    std::optional<InputEvent> Release(Presser presser);
    std::optional<InputEvent> Key(const DeviceInput& input);
    InputEvent PointerEvent(InputEvent::Kind kind) const;

    SIZE m_screen;
    // Kept unrounded, so that slow mouse motion adds up.
    double m_x = 0;
    double m_y = 0;
    Presser m_presser = Presser::kNone;
    int m_touchSlot = -1;
    bool m_leftShift = false;
    bool m_rightShift = false;
};

}  // namespace ce::drivers::kms

#include "drivers/kms/kms_input_translator.h"

#include <linux/input-event-codes.h>

#include <algorithm>
#include <cmath>

#include "drivers/kms/kms_keys.h"

namespace ce::drivers::kms {

InputTranslator::InputTranslator(SIZE screen)
    : m_screen(screen), m_x(screen.cx / 2), m_y(screen.cy / 2) {}

std::optional<InputEvent> InputTranslator::Translate(const DeviceInput& input) {
    using Kind = DeviceInput::Kind;
    switch (input.kind) {
        case Kind::kTouchDown:
            if (m_presser != Presser::kNone) {
                return std::nullopt;
            }
            m_touchSlot = input.slot;
            MoveTo(input.x, input.y);
            return Press(Presser::kTouch);
        case Kind::kTouchMotion:
            if (m_presser != Presser::kTouch || input.slot != m_touchSlot) {
                return std::nullopt;
            }
            return MoveTo(input.x, input.y);
        case Kind::kTouchUp:
        case Kind::kTouchCancel:
            if (m_presser != Presser::kTouch || input.slot != m_touchSlot) {
                return std::nullopt;
            }
            m_touchSlot = -1;
            return Release(Presser::kTouch);
        case Kind::kPointerMotion:
            return MoveTo(m_x + input.x, m_y + input.y);
        case Kind::kPointerAbsolute:
        case Kind::kTabletAxis:
            return MoveTo(input.x, input.y);
        case Kind::kPointerButton:
            // The window system has no other button.
            if (input.code != BTN_LEFT) {
                return std::nullopt;
            }
            return input.pressed ? Press(Presser::kMouse) : Release(Presser::kMouse);
        case Kind::kTabletTip:
            MoveTo(input.x, input.y);
            return input.pressed ? Press(Presser::kTablet) : Release(Presser::kTablet);
        case Kind::kKey:
            return Key(input);
    }
    return std::nullopt;
}

std::optional<InputEvent> InputTranslator::MoveTo(double x, double y) {
    // libinput's transformed coordinates reach the screen size itself at the far edges.
    m_x = std::clamp(x, 0.0, static_cast<double>(std::max<LONG>(m_screen.cx - 1, 0)));
    m_y = std::clamp(y, 0.0, static_cast<double>(std::max<LONG>(m_screen.cy - 1, 0)));
    return PointerEvent(InputEvent::Kind::kPointerMove);
}

std::optional<InputEvent> InputTranslator::Press(Presser presser) {
    if (m_presser != Presser::kNone) {
        return std::nullopt;
    }
    m_presser = presser;
    return PointerEvent(InputEvent::Kind::kPointerDown);
}

std::optional<InputEvent> InputTranslator::Release(Presser presser) {
    if (m_presser != presser) {
        return std::nullopt;
    }
    m_presser = Presser::kNone;
    return PointerEvent(InputEvent::Kind::kPointerUp);
}

std::optional<InputEvent> InputTranslator::Key(const DeviceInput& input) {
    if (input.code == KEY_LEFTSHIFT) {
        m_leftShift = input.pressed;
    } else if (input.code == KEY_RIGHTSHIFT) {
        m_rightShift = input.pressed;
    }
    const auto meaning = MeaningOfKey(input.code, m_leftShift || m_rightShift);
    if (!meaning) {
        return std::nullopt;
    }
    InputEvent event;
    event.kind = input.pressed ? InputEvent::Kind::kKeyDown : InputEvent::Kind::kKeyUp;
    event.virtualKey = meaning->virtualKey;
    event.character = input.pressed ? meaning->character : char16_t{0};
    return event;
}

InputEvent InputTranslator::PointerEvent(InputEvent::Kind kind) const {
    InputEvent event;
    event.kind = kind;
    event.screen = POINT{static_cast<LONG>(std::floor(m_x)), static_cast<LONG>(std::floor(m_y))};
    return event;
}

}  // namespace ce::drivers::kms

#include "drivers/x11/x11_input.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "winuser.h"

namespace ce::drivers::x11 {
namespace {

// Virtual keys that the layer's winuser.h does not name.
constexpr UINT kVkNumpad0 = 0x60u;
constexpr UINT kVkDecimal = 0x6Eu;
constexpr UINT kVkOemPeriod = 0xBEu;

InputEvent PointerEvent(InputEvent::Kind kind, int rootX, int rootY) {
    InputEvent input;
    input.kind = kind;
    input.screen = POINT{rootX, rootY};
    return input;
}

std::optional<InputEvent> KeyEvent(XKeyEvent& key) {
    char text[8] = {};
    KeySym keySym = NoSymbol;
    const int length = XLookupString(&key, text, sizeof text, &keySym, nullptr);
    // The symbol with modifiers applied names the keypad digits (Num Lock); the unshifted one
    // names the key when Shift turned it into punctuation.
    UINT virtualKey = VirtualKeyOf(keySym);
    if (virtualKey == 0) {
        virtualKey = VirtualKeyOf(XLookupKeysym(&key, 0));
    }
    if (virtualKey == 0) {
        return std::nullopt;
    }
    InputEvent input;
    input.kind = key.type == KeyPress ? InputEvent::Kind::kKeyDown : InputEvent::Kind::kKeyUp;
    input.virtualKey = virtualKey;
    // XLookupString gives Latin-1, which is the first 256 code points. Delete types nothing on
    // the device.
    if (key.type == KeyPress && length == 1 && virtualKey != VK_DELETE) {
        input.character = static_cast<unsigned char>(text[0]);
    }
    return input;
}

}  // namespace

UINT VirtualKeyOf(KeySym keySym) {
    if (keySym >= XK_a && keySym <= XK_z) {
        return static_cast<UINT>('A' + (keySym - XK_a));
    }
    if (keySym >= XK_A && keySym <= XK_Z) {
        return static_cast<UINT>('A' + (keySym - XK_A));
    }
    if (keySym >= XK_0 && keySym <= XK_9) {
        return static_cast<UINT>('0' + (keySym - XK_0));
    }
    if (keySym >= XK_KP_0 && keySym <= XK_KP_9) {
        return static_cast<UINT>(kVkNumpad0 + (keySym - XK_KP_0));
    }
    switch (keySym) {
        case XK_Return:
            return VK_RETURN;
        case XK_Escape:
            return VK_ESCAPE;
        case XK_BackSpace:
            return VK_BACK;
        case XK_Tab:
            return VK_TAB;
        case XK_Delete:
            return VK_DELETE;
        case XK_Left:
            return VK_LEFT;
        case XK_Right:
            return VK_RIGHT;
        case XK_Up:
            return VK_UP;
        case XK_Down:
            return VK_DOWN;
        case XK_Home:
            return VK_HOME;
        case XK_End:
            return VK_END;
        case XK_space:
            return VK_SPACE;
        case XK_period:
            return kVkOemPeriod;
        case XK_KP_Decimal:
            return kVkDecimal;
        default:
            return 0;
    }
}

std::optional<InputEvent> TranslateInput(XEvent& event) {
    switch (event.type) {
        case ButtonPress:
        case ButtonRelease:
            if (event.xbutton.button != Button1) {
                return std::nullopt;
            }
            return PointerEvent(event.type == ButtonPress ? InputEvent::Kind::kPointerDown
                                                          : InputEvent::Kind::kPointerUp,
                                event.xbutton.x_root, event.xbutton.y_root);
        case MotionNotify:
            return PointerEvent(InputEvent::Kind::kPointerMove, event.xmotion.x_root,
                                event.xmotion.y_root);
        case KeyPress:
        case KeyRelease:
            return KeyEvent(event.xkey);
        default:
            return std::nullopt;
    }
}

}  // namespace ce::drivers::x11

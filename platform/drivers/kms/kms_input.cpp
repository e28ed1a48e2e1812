#include "drivers/kms/kms_input.h"

#include <fcntl.h>
#include <libinput.h>
#include <libudev.h>

#include <cerrno>
#include <cstring>

namespace ce::drivers::kms {
namespace {

std::uint32_t ScreenWidth(SIZE screen) {
    return static_cast<std::uint32_t>(screen.cx);
}

std::uint32_t ScreenHeight(SIZE screen) {
    return static_cast<std::uint32_t>(screen.cy);
}

}  // namespace

std::unique_ptr<KmsInput> KmsInput::Open(KmsSeat& seat, SIZE screen, std::string* error) {
    static const libinput_interface interface {
        &KmsInput::OpenRestricted, &KmsInput::CloseRestricted
    };
    std::unique_ptr<KmsInput> input(new KmsInput(seat, screen));
    input->m_udev = udev_new();
    if (input->m_udev == nullptr) {
        *error = "cannot reach udev";
        return nullptr;
    }
    input->m_libinput = libinput_udev_create_context(&interface, input.get(), input->m_udev);
    if (input->m_libinput == nullptr) {
        *error = "cannot make a libinput context";
        return nullptr;
    }
    if (libinput_udev_assign_seat(input->m_libinput, seat.Name().c_str()) != 0) {
        *error = "libinput cannot watch the seat " + seat.Name();
        return nullptr;
    }
    return input;
}

KmsInput::~KmsInput() {
    // Closes the devices, through CloseRestricted.
    if (m_libinput != nullptr) {
        libinput_unref(m_libinput);
    }
    if (m_udev != nullptr) {
        udev_unref(m_udev);
    }
}

int KmsInput::OpenRestricted(const char* path, int, void* self) {
    auto* input = static_cast<KmsInput*>(self);
    SeatDevice device = input->m_seat.OpenDevice(path);
    if (!device.IsValid()) {
        return errno != 0 ? -errno : -ENODEV;
    }
    const int fd = device.Fd();
    // libinput reads until a device has nothing more; not every seat backend opens it so.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    input->m_devices[fd] = std::move(device);
    return fd;
}

void KmsInput::CloseRestricted(int fd, void* self) {
    static_cast<KmsInput*>(self)->m_devices.erase(fd);
}

int KmsInput::Fd() const {
    return libinput_get_fd(m_libinput);
}

void KmsInput::Suspend() {
    libinput_suspend(m_libinput);
}

void KmsInput::Resume() {
    libinput_resume(m_libinput);
}

void KmsInput::Dispatch(const std::function<void(const InputEvent&)>& deliver) {
    if (libinput_dispatch(m_libinput) != 0) {
        return;
    }
    while (libinput_event* event = libinput_get_event(m_libinput)) {
        const std::optional<DeviceInput> read = Read(event);
        libinput_event_destroy(event);
        if (!read) {
            continue;
        }
        if (const auto translated = m_translator.Translate(*read)) {
            deliver(*translated);
        }
    }
}

std::optional<DeviceInput> KmsInput::Read(libinput_event* event) const {
    using Kind = DeviceInput::Kind;
    DeviceInput input;
    switch (libinput_event_get_type(event)) {
        case LIBINPUT_EVENT_TOUCH_DOWN:
        case LIBINPUT_EVENT_TOUCH_MOTION: {
            libinput_event_touch* touch = libinput_event_get_touch_event(event);
            input.kind = libinput_event_get_type(event) == LIBINPUT_EVENT_TOUCH_DOWN
                             ? Kind::kTouchDown
                             : Kind::kTouchMotion;
            input.slot = libinput_event_touch_get_seat_slot(touch);
            input.x = libinput_event_touch_get_x_transformed(touch, ScreenWidth(m_screen));
            input.y = libinput_event_touch_get_y_transformed(touch, ScreenHeight(m_screen));
            return input;
        }
        case LIBINPUT_EVENT_TOUCH_UP:
        case LIBINPUT_EVENT_TOUCH_CANCEL:
            input.kind = libinput_event_get_type(event) == LIBINPUT_EVENT_TOUCH_UP
                             ? Kind::kTouchUp
                             : Kind::kTouchCancel;
            input.slot = libinput_event_touch_get_seat_slot(libinput_event_get_touch_event(event));
            return input;
        case LIBINPUT_EVENT_POINTER_MOTION: {
            libinput_event_pointer* pointer = libinput_event_get_pointer_event(event);
            input.kind = Kind::kPointerMotion;
            input.x = libinput_event_pointer_get_dx(pointer);
            input.y = libinput_event_pointer_get_dy(pointer);
            return input;
        }
        case LIBINPUT_EVENT_POINTER_MOTION_ABSOLUTE: {
            libinput_event_pointer* pointer = libinput_event_get_pointer_event(event);
            input.kind = Kind::kPointerAbsolute;
            input.x =
                libinput_event_pointer_get_absolute_x_transformed(pointer, ScreenWidth(m_screen));
            input.y =
                libinput_event_pointer_get_absolute_y_transformed(pointer, ScreenHeight(m_screen));
            return input;
        }
        case LIBINPUT_EVENT_POINTER_BUTTON: {
            libinput_event_pointer* pointer = libinput_event_get_pointer_event(event);
            input.kind = Kind::kPointerButton;
            input.code = libinput_event_pointer_get_button(pointer);
            input.pressed =
                libinput_event_pointer_get_button_state(pointer) == LIBINPUT_BUTTON_STATE_PRESSED;
            return input;
        }
        case LIBINPUT_EVENT_TABLET_TOOL_AXIS:
        case LIBINPUT_EVENT_TABLET_TOOL_PROXIMITY:
        case LIBINPUT_EVENT_TABLET_TOOL_TIP: {
            libinput_event_tablet_tool* tool = libinput_event_get_tablet_tool_event(event);
            input.x = libinput_event_tablet_tool_get_x_transformed(tool, ScreenWidth(m_screen));
            input.y = libinput_event_tablet_tool_get_y_transformed(tool, ScreenHeight(m_screen));
            if (libinput_event_get_type(event) == LIBINPUT_EVENT_TABLET_TOOL_TIP) {
                input.kind = Kind::kTabletTip;
                input.pressed =
                    libinput_event_tablet_tool_get_tip_state(tool) == LIBINPUT_TABLET_TOOL_TIP_DOWN;
            } else {
                input.kind = Kind::kTabletAxis;
            }
            return input;
        }
        case LIBINPUT_EVENT_KEYBOARD_KEY: {
            libinput_event_keyboard* key = libinput_event_get_keyboard_event(event);
            input.kind = Kind::kKey;
            input.code = libinput_event_keyboard_get_key(key);
            input.pressed =
                libinput_event_keyboard_get_key_state(key) == LIBINPUT_KEY_STATE_PRESSED;
            return input;
        }
        default:
            return std::nullopt;
    }
}

}  // namespace ce::drivers::kms

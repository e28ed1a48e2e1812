// The seat's input devices through libinput, read on the driver's thread: touch panels, tablets
// and absolute pointers, mice and keyboards. libinput opens the devices through the seat.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "drivers/display_driver.h"
#include "drivers/kms/kms_input_translator.h"
#include "drivers/kms/kms_seat.h"

struct libinput;
struct libinput_event;
struct udev;

namespace ce::drivers::kms {

class KmsInput {
public:
    // Null with the reason in *error when libinput cannot watch the seat. A seat without input
    // devices is no error: devices plugged in later are found.
    static std::unique_ptr<KmsInput> Open(KmsSeat& seat, SIZE screen, std::string* error);
    ~KmsInput();
    KmsInput(const KmsInput&) = delete;
    KmsInput& operator=(const KmsInput&) = delete;

    // Readable when the devices reported something; Dispatch reads it and hands each event the
    // window system gets to deliver.
    int Fd() const;
    void Dispatch(const std::function<void(const InputEvent&)>& deliver);

    // The seat went away (the devices are closed) and came back.
    void Suspend();
    void Resume();

private:
    KmsInput(KmsSeat& seat, SIZE screen) : m_seat(seat), m_screen(screen), m_translator(screen) {}
    static int OpenRestricted(const char* path, int flags, void* self);
    static void CloseRestricted(int fd, void* self);
    std::optional<DeviceInput> Read(libinput_event* event) const;

    KmsSeat& m_seat;
    SIZE m_screen;
    InputTranslator m_translator;
    std::map<int, SeatDevice> m_devices;
    udev* m_udev = nullptr;
    libinput* m_libinput = nullptr;
};

}  // namespace ce::drivers::kms

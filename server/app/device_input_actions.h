// The program's input actions: mouse input into the device, and MSG_SEND_UPDATE to the control
// window, waiting until it has been handled.
#pragma once

#include "net/input_actions.h"

class DeviceInputActions : public InputActions {
public:
    void MouseEvent(DWORD flags, DWORD x, DWORD y) override;
    void RequestUpdate() override;
};

#include "app/device_input_actions.h"

#include "app/server_messages.h"
#include "app/server_state.h"

void DeviceInputActions::MouseEvent(DWORD flags, DWORD x, DWORD y) {
    mouse_event(flags, x, y, 0, 0);
}

void DeviceInputActions::RequestUpdate() {
    SendMessageW(g_mainWindow, MSG_SEND_UPDATE, 0, 0);
}

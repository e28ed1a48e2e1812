// What the control window shows: the places of its controls, the address line, the status line
// and the orientation it reports in every frame.
#include "app/control_window.h"
#include "app/control_window_state.h"

#include "app/control_layout.h"
#include "app/server_globals.h"
#include "app/server_state.h"
#include "app/status_appearance.h"
#include "capture/screen_mode.h"
#include "res/resource.h"

namespace {

constexpr int kVersionCapacity = 128;

void Place(HWND control, const ControlPlacement& placement) {
    MoveWindow(control, placement.x, placement.y, placement.width, placement.height, TRUE);
}

}  // namespace

void LayoutStep() {
    RECT client{};
    GetClientRect(g_mainWindow, &client);
    const ControlLayout layout = LayoutControls(client);
    Place(g_startButton, layout.start);
    Place(g_stopButton, layout.stop);
    Place(g_exitButton, layout.exit);

    WCHAR version[kVersionCapacity] = {};
    LoadStringW(g_instance, IDS_VERSION, version, kVersionCapacity);
    WCHAR line[kAddressLineCapacity];
    ComposeAddressLine(line, g_viewerConnection.GetOwnAddress(), version);
    SetWindowTextW(g_addressLine, line);
    Place(g_addressLine, layout.addressLine);
    Place(g_statusLine, layout.statusLine);
}

void StatusUpdate() {
    if (g_statusBrush != nullptr) {
        DeleteObject(g_statusBrush);
        g_statusBrush = nullptr;
    }
    WCHAR label[kViewerLabelCapacity];
    CopyViewerLabel(label);
    const StatusAppearance status = ChooseStatus(g_connected, label);
    g_statusColour = status.colour;
    g_statusBrush = CreateSolidBrush(status.colour);
    SetWindowTextW(g_statusLine, status.text);
}

void OrientationQuery() {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_DISPLAYORIENTATION;
    if (ChangeDisplaySettingsExW(nullptr, &mode, nullptr, CDS_TEST, nullptr) !=
        DISP_CHANGE_SUCCESSFUL) {
        return;
    }
    g_orientationCode = OrientationCodeOf(mode.dmDisplayOrientation);
}

// The window procedure and the Start, Stop and Exit commands.
#include "app/control_window.h"

#include <span>

#include "app/control_window_state.h"
#include "app/server_globals.h"
#include "app/server_messages.h"
#include "app/server_state.h"

HINSTANCE g_instance = nullptr;
HWND g_startButton = nullptr;
HWND g_stopButton = nullptr;
HWND g_exitButton = nullptr;
HWND g_addressLine = nullptr;
HWND g_statusLine = nullptr;
int g_started = 1;
int g_connected = 0;
COLORREF g_statusColour = 0x000000FF;
HBRUSH g_statusBrush = nullptr;

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE;
constexpr DWORD kRotationPause = 10;

HWND MakeChild(HWND parent, LPCWSTR className, LPCWSTR text, DWORD style, int id, int x, int y,
               int width, int height) {
    return CreateWindowExW(0, className, text, style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_instance, nullptr);
}

void SendCommand(HWND window, int id) {
    SendMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(window));
}

void Repaint(HWND window) {
    InvalidateRect(window, nullptr, TRUE);
}

void OnCreate(HWND window) {
    g_startButton =
        MakeChild(window, TEXT("BUTTON"), TEXT("Start"), kChildStyle, kIdStart, 0, 0, 100, 18);
    g_stopButton =
        MakeChild(window, TEXT("BUTTON"), TEXT("Stop"), kChildStyle, kIdStop, 0, 0, 100, 18);
    g_exitButton =
        MakeChild(window, TEXT("BUTTON"), TEXT("Exit"), kChildStyle, kIdExit, 0, 0, 100, 18);
    g_addressLine = MakeChild(window, TEXT("STATIC"), TEXT("My IP"), kChildStyle, kIdAddressLine, 5,
                              10, 230, 18);
    g_statusLine = MakeChild(window, TEXT("STATIC"), TEXT(""), kChildStyle | SS_CENTER,
                             kIdStatusLine, 5, 10, 150, 18);
    g_mainWindow = window;
    OrientationQuery();
    SendCommand(window, kIdStart);
}

void OnStart(HWND window) {
    EnableWindow(g_startButton, FALSE);
    EnableWindow(g_stopButton, TRUE);
    g_started = 1;
    LayoutStep();
    g_screenCapture.Setup(g_orientationCode);
    SendMessageW(window, MSG_VIEWER_GONE, 0, 0);
}

void OnStop() {
    EnableWindow(g_startButton, TRUE);
    EnableWindow(g_stopButton, FALSE);
    g_started = 0;
    g_viewerConnection.Close();
}

void OnExit(HWND window) {
    SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(window));
    SendMessageW(window, WM_CLOSE, 0, 0);
}

void OnRotation(HWND window) {
    OrientationQuery();
    if (g_started == 1) {
        SendCommand(window, kIdStop);
        Sleep(kRotationPause);
        SendCommand(window, kIdStart);
    } else {
        LayoutStep();
    }
    Repaint(window);
}

void OnViewerGone(HWND window) {
    g_screenCapture.ResetPreviousFrame();
    g_connected = 0;
    StatusUpdate();
    Repaint(window);
    if (g_started == 1) {
        g_viewerConnection.StartListening();
    }
}

void OnSendUpdate() {
    const std::span<const BYTE> payload = g_screenCapture.Update();
    if (!payload.empty()) {
        g_viewerConnection.SendFrame(payload.data(), static_cast<int>(payload.size()));
    }
}

}  // namespace

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate(window);
            return 0;
        case WM_DESTROY:
            g_viewerConnection.Close();
            g_screenCapture.Teardown();
            if (g_statusBrush != nullptr) {
                DeleteObject(g_statusBrush);
                g_statusBrush = nullptr;
            }
            PostQuitMessage(0);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_SETTINGCHANGE:
            if (wParam == SETTINGCHANGE_RESET) {
                OnRotation(window);
            }
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kIdStart:
                    OnStart(window);
                    return 0;
                case kIdStop:
                    OnStop();
                    return 0;
                case kIdExit:
                    OnExit(window);
                    return 0;
                default:
                    return DefWindowProcW(window, message, wParam, lParam);
            }
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == g_statusLine) {
                SetBkColor(reinterpret_cast<HDC>(wParam), g_statusColour);
                return reinterpret_cast<LRESULT>(g_statusBrush);
            }
            return 0;
        case MSG_VIEWER_CONNECTED:
            g_connected = 1;
            StatusUpdate();
            Repaint(window);
            return 0;
        case MSG_VIEWER_GONE:
            OnViewerGone(window);
            return 0;
        case MSG_SEND_UPDATE:
            OnSendUpdate();
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

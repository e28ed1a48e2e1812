// Tavrelin's entry: one instance per display, the control window, the message loop.
#include <windows.h>

#include <cstring>

#include "app/control_window.h"
#include "app/server_globals.h"
#include "app/server_state.h"

namespace {

constexpr WCHAR kInstanceMutexName[] = TEXT("5E2D7A90-1C4B-4f3a-8D61-B09E47C2A3F5");
constexpr DWORD kMainWindowStyle = WS_VISIBLE | WS_CAPTION;
constexpr int kMainWindowWidth = 240;
constexpr int kMainWindowHeight = 170;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    // The handle stays open for the whole run: a later start finds the name taken.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kInstanceMutexName);
    const DWORD error = GetLastError();
    if (mutex != nullptr) {
        ReleaseMutex(mutex);
    }
    if (error == ERROR_ALREADY_EXISTS) {
        return 0;
    }
    g_instance = instance;
    std::memset(g_viewerLabel, 0, sizeof g_viewerLabel);

    HWND running = FindWindowW(kWindowClassName, kWindowClassName);
    if (running != nullptr) {
        // The low bit asks to bring the window's owned windows forward as well.
        SetForegroundWindow(
            reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(running) | ULONG_PTR{1}));
        return 0;
    }

    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ControlWindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kWindowClassName;
    RegisterClassW(&windowClass);

    HWND window =
        CreateWindowExW(0, kWindowClassName, kWindowClassName, kMainWindowStyle, 0, 0,
                        kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 0;
    }
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // The window is gone, so no thread of the connection can wait for it any more; they end
    // here rather than during the program's teardown, when the layer may already be gone.
    g_viewerConnection.WaitForThreads();
    return static_cast<int>(message.wParam);
}

// A stand-in for Tavrelin's control window in connection tests: a window on a thread of its own
// running a message loop, which records the server messages and answers them as the real window
// does (listening again on MSG_VIEWER_GONE while started, sending a frame on MSG_SEND_UPDATE).
// It also serves as the connection's input actions, recording mouse events and asking itself
// for updates like the program does.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/input_actions.h"
#include "net/viewer_connection.h"

class ControlWindowStub : public InputActions {
public:
    // Creates the window, which becomes g_mainWindow.
    ControlWindowStub();
    // Destroys the window and ends its thread. The connection must be gone first.
    ~ControlWindowStub() override;
    ControlWindowStub(const ControlWindowStub&) = delete;
    ControlWindowStub& operator=(const ControlWindowStub&) = delete;

    void Attach(CViewerConnection* connection) { m_connection = connection; }
    void SetStarted(bool started) { m_started = started; }
    // The payload the next updates send; a hook runs on the window's thread before each send.
    void SetUpdate(std::vector<BYTE> payload, std::function<void()> beforeSend = {});

    void MouseEvent(DWORD flags, DWORD x, DWORD y) override;
    void RequestUpdate() override;

    struct Record {
        int connected = 0;
        int gone = 0;
        int goneInsideSend = 0;  // reported while the window was sending a frame
        int updates = 0;
        std::vector<int> listenResults;
        std::vector<int> sendResults;
        std::vector<std::string> mouse;
        std::u16string label;
    };
    Record Snapshot() const;
    // Waits (with a deadline) until the record satisfies the condition.
    bool WaitFor(const std::function<bool(const Record&)>& condition) const;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();

    static constexpr UINT kQuit = WM_APP + 0x100;

    std::atomic<CViewerConnection*> m_connection{nullptr};
    std::atomic<bool> m_started{true};
    HWND m_window = nullptr;
    bool m_inUpdate = false;  // used on the window's thread only

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_ready = false;
    Record m_record;
    std::vector<BYTE> m_payload;
    std::function<void()> m_beforeSend;
    std::thread m_thread;
};

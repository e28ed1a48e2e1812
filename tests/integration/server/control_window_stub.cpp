#include "control_window_stub.h"

#include <chrono>

#include "app/server_messages.h"
#include "app/server_state.h"

namespace {

constexpr auto kDeadline = std::chrono::seconds(10);
ControlWindowStub* g_stub = nullptr;

}  // namespace

ControlWindowStub::ControlWindowStub() {
    g_stub = this;
    m_thread = std::thread([this] { Run(); });
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_ready; });
    g_mainWindow = m_window;
}

ControlWindowStub::~ControlWindowStub() {
    PostMessageW(m_window, kQuit, 0, 0);
    m_thread.join();
    g_mainWindow = nullptr;
    g_stub = nullptr;
}

void ControlWindowStub::Run() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.lpszClassName = TEXT("ControlWindowStub");
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, TEXT("ControlWindowStub"), TEXT(""), WS_POPUP, 0, 0, 10, 10,
                                  nullptr, nullptr, nullptr, nullptr);
    {
        std::lock_guard lock(m_mutex);
        m_window = window;
        m_ready = true;
    }
    m_changed.notify_all();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0)) {
        DispatchMessageW(&message);
    }
}

LRESULT CALLBACK ControlWindowStub::Procedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    return g_stub->Handle(window, message, wParam, lParam);
}

LRESULT ControlWindowStub::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CViewerConnection* connection = m_connection;
    switch (message) {
        case MSG_VIEWER_CONNECTED: {
            std::lock_guard lock(m_mutex);
            ++m_record.connected;
            m_record.label = g_viewerLabel;
            break;
        }
        case MSG_VIEWER_GONE: {
            const int result =
                m_started && connection != nullptr ? connection->StartListening() : -1;
            std::lock_guard lock(m_mutex);
            ++m_record.gone;
            m_record.goneInsideSend += m_inUpdate ? 1 : 0;
            if (result != -1) {
                m_record.listenResults.push_back(result);
            }
            break;
        }
        case MSG_SEND_UPDATE: {
            std::vector<BYTE> payload;
            std::function<void()> beforeSend;
            {
                std::lock_guard lock(m_mutex);
                ++m_record.updates;
                payload = m_payload;
                beforeSend = m_beforeSend;
            }
            m_changed.notify_all();
            if (beforeSend) {
                beforeSend();
            }
            if (connection != nullptr && !payload.empty()) {
                m_inUpdate = true;
                const int result =
                    connection->SendFrame(payload.data(), static_cast<int>(payload.size()));
                m_inUpdate = false;
                std::lock_guard lock(m_mutex);
                m_record.sendResults.push_back(result);
            }
            break;
        }
        case kQuit:
            DestroyWindow(window);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
    m_changed.notify_all();
    return 0;
}

void ControlWindowStub::SetUpdate(std::vector<BYTE> payload, std::function<void()> beforeSend) {
    std::lock_guard lock(m_mutex);
    m_payload = std::move(payload);
    m_beforeSend = std::move(beforeSend);
}

void ControlWindowStub::MouseEvent(DWORD flags, DWORD x, DWORD y) {
    {
        std::lock_guard lock(m_mutex);
        m_record.mouse.push_back(std::to_string(flags) + " " + std::to_string(x) + "," +
                                 std::to_string(y));
    }
    m_changed.notify_all();
}

void ControlWindowStub::RequestUpdate() {
    SendMessageW(g_mainWindow, MSG_SEND_UPDATE, 0, 0);
}

ControlWindowStub::Record ControlWindowStub::Snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_record;
}

bool ControlWindowStub::WaitFor(const std::function<bool(const Record&)>& condition) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, kDeadline, [&] { return condition(m_record); });
}

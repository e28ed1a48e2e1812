#include "application_stub.h"

#include <chrono>

namespace {

constexpr auto kDeadline = std::chrono::seconds(10);

}  // namespace

template <class Change>
void ApplicationStub::Note(Change change) {
    {
        std::lock_guard lock(m_mutex);
        change(m_record);
    }
    m_changed.notify_all();
}

void ApplicationStub::ViewerArrived(LPCWSTR label) {
    std::lock_guard answering(m_answering);
    Note([&](Record& record) {
        ++record.connected;
        record.label = label;
    });
}

void ApplicationStub::ViewerGone() {
    std::lock_guard answering(m_answering);
    CViewerConnection* connection = m_connection;
    const int result = m_started && connection != nullptr ? connection->StartListening() : -1;
    const bool insideSend = m_sendingThread == std::this_thread::get_id();
    Note([&](Record& record) {
        ++record.gone;
        record.goneInsideSend += insideSend ? 1 : 0;
        if (result != -1) {
            record.listenResults.push_back(result);
        }
    });
}

void ApplicationStub::RequestUpdate() {
    std::lock_guard answering(m_answering);
    std::vector<BYTE> payload;
    std::function<void()> beforeSend;
    Note([&](Record& record) {
        ++record.updates;
        payload = m_payload;
        beforeSend = m_beforeSend;
    });
    if (beforeSend) {
        beforeSend();
    }
    CViewerConnection* connection = m_connection;
    if (connection != nullptr && !payload.empty()) {
        m_sendingThread = std::this_thread::get_id();
        const int result = connection->SendFrame(payload.data(), static_cast<int>(payload.size()));
        m_sendingThread = {};
        Note([&](Record& record) { record.sendResults.push_back(result); });
    }
}

void ApplicationStub::SetUpdate(std::vector<BYTE> payload, std::function<void()> beforeSend) {
    std::lock_guard lock(m_mutex);
    m_payload = std::move(payload);
    m_beforeSend = std::move(beforeSend);
}

void ApplicationStub::MouseEvent(DWORD flags, DWORD x, DWORD y) {
    Note([&](Record& record) {
        record.mouse.push_back(std::to_string(flags) + " " + std::to_string(x) + "," +
                               std::to_string(y));
    });
}

ApplicationStub::Record ApplicationStub::Snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_record;
}

bool ApplicationStub::WaitFor(const std::function<bool(const Record&)>& condition) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, kDeadline, [&] { return condition(m_record); });
}

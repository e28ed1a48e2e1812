// A stand-in for Tavrelin's application in connection tests, with no window: it records what the
// connection tells it and answers as the control window does (listening again when the viewer is
// gone while started, sending a frame when an update is asked for). It is the connection's input
// actions as well, recording mouse events. Its answers run on the thread that reports, one at a
// time, as the window's thread would run them.
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
#include "net/viewer_events.h"

class ApplicationStub : public InputActions, public ViewerEvents {
public:
    void Attach(CViewerConnection* connection) { m_connection = connection; }
    // Taken in turn with the answers, as the window's thread would: a viewer reported gone just
    // before a Stop either listens before the Stop ends it or sees the Stop and does not listen.
    void SetStarted(bool started) {
        std::lock_guard answering(m_answering);
        m_started = started;
    }
    // The payload the next updates send; a hook runs before each send.
    void SetUpdate(std::vector<BYTE> payload, std::function<void()> beforeSend = {});

    void ViewerArrived(LPCWSTR label) override;
    void ViewerGone() override;
    void MouseEvent(DWORD flags, DWORD x, DWORD y) override;
    void RequestUpdate() override;

    struct Record {
        int connected = 0;
        int gone = 0;
        int goneInsideSend = 0;  // reported by the thread that was sending a frame
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
    template <class Change>
    void Note(Change change);

    std::atomic<CViewerConnection*> m_connection{nullptr};
    std::atomic<bool> m_started{true};
    // Held while answering; a send that fails reports the viewer gone on the same thread.
    std::recursive_mutex m_answering;
    std::thread::id m_sendingThread;  // guarded by m_answering

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    Record m_record;
    std::vector<BYTE> m_payload;
    std::function<void()> m_beforeSend;
};

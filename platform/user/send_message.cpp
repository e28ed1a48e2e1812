#include "user/send_message.h"

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/desktop.h"
#include "user/message_queue.h"

namespace ce::user {

namespace {

// Answers the sender whatever happens to the window procedure, so that no sender waits forever.
class AnswerOnExit {
public:
    AnswerOnExit(MessageQueue& queue, SentMessage& message)
        : m_queue(queue), m_message(message), m_previous(queue.HandlingSent()) {
        m_queue.SetHandlingSent(&m_message);
    }
    ~AnswerOnExit() {
        m_queue.SetHandlingSent(m_previous);
        m_message.m_sender->Answer(m_message, m_result);
    }
    AnswerOnExit(const AnswerOnExit&) = delete;
    AnswerOnExit& operator=(const AnswerOnExit&) = delete;

    void SetResult(LRESULT result) { m_result = result; }

private:
    MessageQueue& m_queue;
    SentMessage& m_message;
    const SentMessage* m_previous;
    LRESULT m_result = 0;
};

}  // namespace

LRESULT SendToWindow(Desktop& desktop, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = nullptr;
    DWORD threadId = 0;
    std::shared_ptr<MessageQueue> owner;
    const bool found = desktop.Windows().With(window, [&](const Window& record) {
        procedure = record.m_procedure;
        threadId = record.m_threadId;
        owner = record.m_queue;
    });
    if (!found) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (threadId == GetCurrentThreadId()) {
        return CallWindowProcW(procedure, window, message, wParam, lParam);
    }

    auto self = desktop.CurrentQueue();
    auto sent = std::make_shared<SentMessage>();
    sent->m_window = window;
    sent->m_message = message;
    sent->m_wParam = wParam;
    sent->m_lParam = lParam;
    sent->m_sender = self;
    if (!owner->Send(sent)) {
        return 0;
    }
    // The window may have been removed between the look-up and the send, after its messages
    // were released: then nobody would answer this one, and a thread that no longer handles
    // messages once its window is gone would leave the sender waiting for good.
    if (!desktop.Windows().Find(window) && owner->Withdraw(*sent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    for (;;) {
        auto reply = self->WaitForReply(*sent);
        if (reply.m_result) {
            return *reply.m_result;
        }
        HandleSentMessage(*self, reply.m_incoming);
    }
}

void HandleSentMessage(MessageQueue& queue, const std::shared_ptr<SentMessage>& message) {
    AnswerOnExit answer(queue, *message);
    auto desktop = queue.OwningDesktop();
    if (!desktop) {
        return;
    }
    WNDPROC procedure = nullptr;
    bool own = false;
    desktop->Windows().With(message->m_window, [&](const Window& window) {
        procedure = window.m_procedure;
        own = window.m_threadId == queue.ThreadId();
    });
    if (own) {
        answer.SetResult(CallWindowProcW(procedure, message->m_window, message->m_message,
                                         message->m_wParam, message->m_lParam));
    }
}

void ReleaseSenders(const std::vector<std::shared_ptr<SentMessage>>& messages) {
    for (const auto& message : messages) {
        message->m_sender->Answer(*message, 0);
    }
}

}  // namespace ce::user

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<LRESULT>(
        0, [&] { return SendToWindow(*CurrentDesktop(), window, message, wParam, lParam); });
}

BOOL InSendMessage() {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [] {
        auto queue = CurrentDesktop()->QueueOf(GetCurrentThreadId());
        return queue && queue->HandlingSent() != nullptr ? TRUE : FALSE;
    });
}

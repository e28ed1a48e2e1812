#include "user/thread_end.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "kernel/thread_exit.h"
#include "user/desktop.h"
#include "user/message_queue.h"
#include "user/send_message.h"
#include "user/window_lifetime.h"

namespace ce::user {

namespace {

using QueueList = std::vector<std::weak_ptr<MessageQueue>>;

// A plain pointer, so that the list outlives every thread-local object with a destructor: the
// kernel may run the handler from one of those at thread exit.
thread_local QueueList* g_threadQueues = nullptr;

void EndQueue(MessageQueue& queue) {
    auto unanswered = queue.Close();
    if (auto desktop = queue.OwningDesktop()) {
        RemoveWindowsOfThread(*desktop, queue.ThreadId());
        desktop->ForgetQueue(queue);
    }
    ReleaseSenders(unanswered);
}

void EndThreadQueues() {
    QueueList* queues = std::exchange(g_threadQueues, nullptr);
    if (queues == nullptr) {
        return;
    }
    for (const auto& weak : *queues) {
        if (auto queue = weak.lock()) {
            EndQueue(*queue);
        }
    }
    delete queues;
}

}  // namespace

void EndWithCurrentThread(const std::shared_ptr<MessageQueue>& queue) {
    if (g_threadQueues == nullptr) {
        g_threadQueues = new QueueList();
        kernel::RunAtThreadExit(&EndThreadQueues);
    }
    std::erase_if(*g_threadQueues, [](const auto& weak) { return weak.expired(); });
    g_threadQueues->push_back(queue);
}

}  // namespace ce::user

#include "user/desktop.h"

#include <utility>

#include "winbase.h"

#include "user/message_queue.h"
#include "user/thread_end.h"

namespace ce::user {

namespace {

std::mutex g_currentMutex;
std::shared_ptr<Desktop> g_current;

}  // namespace

std::shared_ptr<Desktop> Desktop::Create() {
    return std::shared_ptr<Desktop>(new Desktop());
}

Desktop::~Desktop() = default;

std::shared_ptr<MessageQueue> Desktop::QueueOf(DWORD threadId) const {
    std::lock_guard lock(m_queuesMutex);
    auto found = m_queues.find(threadId);
    return found == m_queues.end() ? nullptr : found->second;
}

std::shared_ptr<MessageQueue> Desktop::CurrentQueue() {
    const DWORD threadId = GetCurrentThreadId();
    std::shared_ptr<MessageQueue> queue;
    {
        std::lock_guard lock(m_queuesMutex);
        auto& slot = m_queues[threadId];
        if (slot) {
            return slot;
        }
        try {
            slot = std::make_shared<MessageQueue>(threadId, weak_from_this());
        } catch (...) {
            m_queues.erase(threadId);
            throw;
        }
        queue = slot;
    }
    EndWithCurrentThread(queue);
    return queue;
}

void Desktop::ForgetQueue(const MessageQueue& queue) {
    std::lock_guard lock(m_queuesMutex);
    auto found = m_queues.find(queue.ThreadId());
    if (found != m_queues.end() && found->second.get() == &queue) {
        m_queues.erase(found);
    }
}

std::shared_ptr<Desktop> CurrentDesktop() {
    std::lock_guard lock(g_currentMutex);
    if (!g_current) {
        g_current = Desktop::Create();
    }
    return g_current;
}

std::shared_ptr<Desktop> ReplaceCurrentDesktop(std::shared_ptr<Desktop> desktop) {
    std::lock_guard lock(g_currentMutex);
    return std::exchange(g_current, std::move(desktop));
}

DesktopScope::DesktopScope()
    : m_desktop(Desktop::Create()), m_previous(ReplaceCurrentDesktop(m_desktop)) {}

DesktopScope::~DesktopScope() {
    ReplaceCurrentDesktop(std::move(m_previous));
}

}  // namespace ce::user

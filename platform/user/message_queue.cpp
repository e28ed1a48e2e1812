#include "user/message_queue.h"

#include <algorithm>
#include <utility>

#include "winbase.h"

#include "user/input_routing.h"
#include "user/window_table.h"

namespace ce::user {

bool MessageFilter::AcceptsMessage(UINT message) const {
    return (m_first == 0 && m_last == 0) || (message >= m_first && message <= m_last);
}

bool MessageFilter::Accepts(HWND window, UINT message) const {
    if (!AcceptsMessage(message)) {
        return false;
    }
    return m_window == nullptr || m_windows->IsSelfOrDescendant(m_window, window);
}

HWND MessageFilter::NextToPaint(DWORD threadId) const {
    return AcceptsMessage(WM_PAINT) ? m_windows->NextToPaint(threadId, m_window) : nullptr;
}

bool MessageQueue::Post(const MSG& message) {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return false;
        }
        m_posted.push_back(message);
    }
    m_wake.notify_all();
    return true;
}

bool MessageQueue::Send(std::shared_ptr<SentMessage> message) {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return false;
        }
        m_sent.push_back(std::move(message));
    }
    m_wake.notify_all();
    return true;
}

bool MessageQueue::PostInput(const MSG& message, char16_t character,
                             const drivers::InputEvent& event) {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return false;
        }
        m_input.push_back(Input{message, character, event});
    }
    m_wake.notify_all();
    return true;
}

void MessageQueue::Wake() {
    // Taking the lock orders the wake after a waiter's last look, so it cannot be missed.
    { std::lock_guard lock(m_mutex); }
    m_wake.notify_all();
}

char16_t MessageQueue::CharacterOfKey(WPARAM virtualKey) const {
    return virtualKey == m_lastKey ? m_lastKeyCharacter : u'\0';
}

bool MessageQueue::Withdraw(const SentMessage& message) {
    std::lock_guard lock(m_mutex);
    return std::erase_if(m_sent, [&message](const std::shared_ptr<SentMessage>& waiting) {
               return waiting.get() == &message;
           }) != 0;
}

void MessageQueue::Answer(SentMessage& message, LRESULT result) {
    {
        std::lock_guard lock(m_mutex);
        message.m_result = result;
        message.m_answered = true;
    }
    m_wake.notify_all();
}

std::vector<std::shared_ptr<SentMessage>> MessageQueue::ForgetWindow(HWND window) {
    std::vector<std::shared_ptr<SentMessage>> unanswered;
    std::lock_guard lock(m_mutex);
    std::erase_if(m_posted, [window](const MSG& message) { return message.hwnd == window; });
    std::erase_if(m_input, [window](const Input& input) { return input.m_message.hwnd == window; });
    m_timers.KillAllOf(window);
    auto forgotten = std::stable_partition(m_sent.begin(), m_sent.end(),
                                           [window](const std::shared_ptr<SentMessage>& message) {
                                               return message->m_window != window;
                                           });
    unanswered.assign(std::make_move_iterator(forgotten), std::make_move_iterator(m_sent.end()));
    m_sent.erase(forgotten, m_sent.end());
    return unanswered;
}

std::vector<std::shared_ptr<SentMessage>> MessageQueue::Close() {
    std::vector<std::shared_ptr<SentMessage>> unanswered;
    std::lock_guard lock(m_mutex);
    m_closed = true;
    unanswered.assign(std::make_move_iterator(m_sent.begin()),
                      std::make_move_iterator(m_sent.end()));
    m_sent.clear();
    m_posted.clear();
    m_input.clear();
    m_timers.Clear();
    return unanswered;
}

std::size_t MessageQueue::WaitingSentCount() const {
    std::lock_guard lock(m_mutex);
    return m_sent.size();
}

void MessageQueue::PostQuit(int exitCode) {
    std::lock_guard lock(m_mutex);
    m_quit = true;
    m_exitCode = exitCode;
}

std::optional<MessageQueue::Item> MessageQueue::Take(const MessageFilter& filter, bool remove,
                                                     bool wait) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        const auto now = TimerClock::now();
        if (auto item = TakeLocked(filter, remove, now)) {
            return item;
        }
        if (!wait) {
            return std::nullopt;
        }
        const auto nextTimer = m_timers.NextDue(
            [&filter](const Timer& timer) { return filter.Accepts(timer.m_window, WM_TIMER); });
        if (nextTimer) {
            m_wake.wait_until(lock, *nextTimer);
        } else {
            m_wake.wait(lock);
        }
    }
}

std::optional<MessageQueue::Item> MessageQueue::TakeLocked(const MessageFilter& filter, bool remove,
                                                           TimerClock::time_point now) {
    if (!m_sent.empty()) {
        Item item;
        item.m_sent = std::move(m_sent.front());
        m_sent.pop_front();
        return item;
    }

    auto posted = std::find_if(m_posted.begin(), m_posted.end(), [&filter](const MSG& message) {
        return filter.Accepts(message.hwnd, message.message);
    });
    if (posted != m_posted.end()) {
        Item item;
        item.m_message = *posted;
        if (remove) {
            m_posted.erase(posted);
        }
        return item;
    }

    if (m_quit) {
        Item item;
        item.m_message.message = WM_QUIT;
        item.m_message.wParam = static_cast<WPARAM>(m_exitCode);
        item.m_message.time = GetTickCount();
        if (remove) {
            m_quit = false;
        }
        return item;
    }

    if (auto desktop = m_desktop.lock(); desktop && !m_input.empty()) {
        std::erase_if(m_input, [&](Input& candidate) {
            return !RetargetInput(*desktop, m_threadId, candidate.m_event, &candidate.m_message);
        });
    }
    auto input = std::find_if(m_input.begin(), m_input.end(), [&filter](const Input& candidate) {
        return filter.Accepts(candidate.m_message.hwnd, candidate.m_message.message);
    });
    if (input != m_input.end()) {
        Item item;
        item.m_message = input->m_message;
        if (remove) {
            if (input->m_message.message == WM_KEYDOWN) {
                m_lastKey = input->m_message.wParam;
                m_lastKeyCharacter = input->m_character;
            }
            m_input.erase(input);
        }
        return item;
    }

    if (m_windowsToPaint.load() > 0) {
        if (HWND window = filter.NextToPaint(m_threadId)) {
            Item item;
            item.m_message.hwnd = window;
            item.m_message.message = WM_PAINT;
            item.m_message.time = GetTickCount();
            return item;
        }
    }

    auto timer = m_timers.TakeDue(
        [&filter](const Timer& candidate) { return filter.Accepts(candidate.m_window, WM_TIMER); },
        now, remove);
    if (timer) {
        Item item;
        item.m_message.hwnd = timer->m_window;
        item.m_message.message = WM_TIMER;
        item.m_message.wParam = timer->m_id;
        item.m_message.lParam = reinterpret_cast<LPARAM>(timer->m_procedure);
        item.m_message.time = GetTickCount();
        return item;
    }
    return std::nullopt;
}

MessageQueue::Reply MessageQueue::WaitForReply(const SentMessage& outgoing) {
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [&] { return outgoing.m_answered || !m_sent.empty(); });
    Reply reply;
    if (outgoing.m_answered) {
        reply.m_result = outgoing.m_result;
    } else {
        reply.m_incoming = std::move(m_sent.front());
        m_sent.pop_front();
    }
    return reply;
}

UINT_PTR MessageQueue::SetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC procedure) {
    const auto now = TimerClock::now();
    std::lock_guard lock(m_mutex);
    if (window == nullptr) {
        return m_timers.SetThreadTimer(id, period, procedure, now);
    }
    m_timers.SetWindowTimer(window, id, period, procedure, now);
    return id;
}

bool MessageQueue::KillTimer(HWND window, UINT_PTR id) {
    std::lock_guard lock(m_mutex);
    return m_timers.Kill(window, id);
}

}  // namespace ce::user

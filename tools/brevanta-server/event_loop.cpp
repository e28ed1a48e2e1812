#include "event_loop.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "event_log.h"

namespace brevanta::server {
namespace {

constexpr int kEventsPerWait = 256;

}  // namespace

EventLoop::EventLoop() : m_epoll(epoll_create1(EPOLL_CLOEXEC)) {}

EventLoop::Token EventLoop::Watch(int fd, std::uint32_t events, Callback callback) {
    Token token = ++m_lastToken;
    epoll_event event{};
    event.events = events;
    event.data.u64 = token;
    if (epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, fd, &event) != 0) {
        return 0;
    }
    m_entries.emplace(token, Entry{fd, std::move(callback), std::nullopt});
    return token;
}

void EventLoop::Change(Token token, std::uint32_t events) {
    auto entry = m_entries.find(token);
    if (entry == m_entries.end()) {
        return;
    }
    epoll_event event{};
    event.events = events;
    event.data.u64 = token;
    epoll_ctl(m_epoll.Get(), EPOLL_CTL_MOD, entry->second.fd, &event);
}

void EventLoop::Unwatch(Token token) {
    auto entry = m_entries.find(token);
    if (entry == m_entries.end()) {
        return;
    }
    SetDeadline(token, std::nullopt);
    epoll_ctl(m_epoll.Get(), EPOLL_CTL_DEL, entry->second.fd, nullptr);
    m_entries.erase(entry);
}

void EventLoop::SetDeadline(Token token, std::optional<Clock::time_point> when) {
    auto entry = m_entries.find(token);
    if (entry == m_entries.end()) {
        return;
    }
    if (entry->second.deadline) {
        m_deadlines.erase({*entry->second.deadline, token});
    }
    entry->second.deadline = when;
    if (when) {
        m_deadlines.emplace(*when, token);
    }
}

void EventLoop::Dispatch(Token token, Wake wake) {
    auto entry = m_entries.find(token);
    if (entry == m_entries.end()) {
        return;
    }
    // A copy, so that the callback may unwatch its own token (and so destroy the original).
    Callback callback = entry->second.callback;
    callback(wake);
}

int EventLoop::MillisecondsToNextDeadline() const {
    if (m_deadlines.empty()) {
        return -1;
    }
    // Rounded up: a pause must never end before its time.
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(m_deadlines.begin()->first - Clock::now());
    return static_cast<int>(std::max<std::int64_t>(0, left.count()));
}

void EventLoop::RunDueDeadlines() {
    const Clock::time_point now = Clock::now();
    // Only what is due now: a callback that yields again runs in the next round, after the
    // events that came meanwhile.
    std::vector<Token> due;
    for (auto it = m_deadlines.begin(); it != m_deadlines.end() && it->first <= now;) {
        due.push_back(it->second);
        m_entries.at(it->second).deadline.reset();
        it = m_deadlines.erase(it);
    }
    for (Token token : due) {
        // Skipped when an earlier callback of this round gave the token a new deadline.
        auto entry = m_entries.find(token);
        if (entry != m_entries.end() && !entry->second.deadline) {
            Dispatch(token, Wake{0, true});
        }
    }
}

void EventLoop::Run() {
    epoll_event events[kEventsPerWait];
    while (!m_quit) {
        int count = epoll_wait(m_epoll.Get(), events, kEventsPerWait, MillisecondsToNextDeadline());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            EmitEvent(std::string("error epoll_wait: ") + std::strerror(errno));
            return;
        }
        for (int i = 0; i < count && !m_quit; ++i) {
            Dispatch(events[i].data.u64, Wake{events[i].events, false});
        }
        if (!m_quit) {
            RunDueDeadlines();
        }
    }
}

}  // namespace brevanta::server

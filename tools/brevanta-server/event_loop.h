// The one thread of the server: an epoll set of descriptors, each with a callback and an
// optional deadline. Every connection, the listener, discovery and the stop signal live on it, so
// that a thousand devices cost a thousand small objects rather than a thousand threads.
#pragma once

#include <sys/epoll.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>

#include "common/unique_fd.h"

namespace brevanta::server {

using tools::UniqueFd;

class EventLoop {
public:
    using Clock = std::chrono::steady_clock;
    using Token = std::uint64_t;

    // Why a callback runs: the epoll events of its descriptor, or its deadline (events 0).
    struct Wake {
        std::uint32_t events = 0;
        bool deadline = false;
    };
    using Callback = std::function<void(Wake)>;

    EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    bool IsValid() const { return m_epoll.IsValid(); }

    // Watches fd for the epoll events (EPOLLET included for edge triggering); 0 when epoll
    // refuses it. The loop never closes fd.
    Token Watch(int fd, std::uint32_t events, Callback callback);
    // Changes the events of a watched descriptor (0: none until changed again).
    void Change(Token token, std::uint32_t events);
    // Forgets the descriptor and its deadline; safe from inside its own callback, and events
    // already collected for it are dropped.
    void Unwatch(Token token);

    // Runs the callback once with Wake::deadline at `when` (never before), replacing an earlier
    // deadline of the token; std::nullopt clears it.
    void SetDeadline(Token token, std::optional<Clock::time_point> when);
    // Runs the callback once more, after the events already waiting: for a handler that stops
    // before its descriptor is exhausted, so that one busy device does not hold the others.
    void Yield(Token token) { SetDeadline(token, Clock::now()); }

    // Dispatches events and deadlines until Quit.
    void Run();
    void Quit() { m_quit = true; }

private:
    struct Entry {
        int fd = -1;
        Callback callback;
        std::optional<Clock::time_point> deadline;
    };

    void Dispatch(Token token, Wake wake);
    int MillisecondsToNextDeadline() const;
    void RunDueDeadlines();

    UniqueFd m_epoll;
    Token m_lastToken = 0;
    std::unordered_map<Token, Entry> m_entries;
    std::set<std::pair<Clock::time_point, Token>> m_deadlines;
    bool m_quit = false;
};

}  // namespace brevanta::server

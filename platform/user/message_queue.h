// The message queue of one thread: posted messages, messages sent from other threads, the quit
// flag and the thread's timers, behind one mutex and one condition variable.
//
// Any thread may post to a queue, send to it and answer a message its thread sent. Only the owner
// thread takes messages out (Take) and waits on it. The order Take looks in is the order the
// device hands messages out:
//   1. messages sent from other threads (handled by the caller, never returned)
//   2. posted messages, oldest first
//   3. WM_QUIT, once PostQuitMessage was called and no matching posted message is left
//   4. input from the display driver: pointer and key messages the desktop routed to a window of
//      the thread (already in their final form: WM_LBUTTONDOWN with client coordinates ...),
//      oldest first
//   5. WM_PAINT for a window of the thread with an invalid area, parents before children; the
//      queue keeps a count of such windows so that an otherwise empty queue knows to look. The
//      message stays until the window is validated.
//   6. WM_TIMER for a due timer
// A thread that finds nothing sleeps on the condition variable until something arrives or the
// next timer the filter accepts is due; an idle thread without timers sleeps without a deadline.
//
// Modal loops (DialogBox, MessageBox) are loops of GetMessageW/DispatchMessageW inside a window
// procedure: they take from the same queue, so they keep handling sent messages and timers. One
// that takes WM_QUIT ends and calls PostQuitMessage again with the code, so the loop outside sees
// the quit as well.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "winuser.h"

#include "drivers/display_driver.h"
#include "user/timer.h"

namespace ce::user {

class Desktop;
class MessageQueue;
class WindowTable;

// A message sent from another thread. The sender waits on its own queue until it is answered.
struct SentMessage {
    HWND m_window = nullptr;
    UINT m_message = 0;
    WPARAM m_wParam = 0;
    LPARAM m_lParam = 0;
    std::shared_ptr<MessageQueue> m_sender;
    // Guarded by the sender's queue lock.
    bool m_answered = false;
    LRESULT m_result = 0;
};

// What GetMessageW and PeekMessageW accept: the messages of one window and its descendants (or
// of the whole thread when the window is null), in a range of message numbers (all when both
// ends are 0). WM_QUIT passes any filter.
class MessageFilter {
public:
    MessageFilter(const WindowTable& windows, HWND window, UINT first, UINT last)
        : m_windows(&windows), m_window(window), m_first(first), m_last(last) {}

    bool Accepts(HWND window, UINT message) const;
    // The window of the thread to send WM_PAINT next, when the filter takes WM_PAINT.
    HWND NextToPaint(DWORD threadId) const;

private:
    bool AcceptsMessage(UINT message) const;

    const WindowTable* m_windows;
    HWND m_window;
    UINT m_first;
    UINT m_last;
};

class MessageQueue {
public:
    MessageQueue(DWORD threadId, std::weak_ptr<Desktop> desktop)
        : m_threadId(threadId), m_desktop(std::move(desktop)) {}
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    DWORD ThreadId() const { return m_threadId; }
    std::shared_ptr<Desktop> OwningDesktop() const { return m_desktop.lock(); }

    // ---- any thread ----
    // False once the thread has ended.
    bool Post(const MSG& message);
    // Queues a message from another thread; false once the thread has ended.
    bool Send(std::shared_ptr<SentMessage> message);
    // Takes back a message not yet handled or released; false when the owner or a release
    // already took it (its answer is then on the way).
    bool Withdraw(const SentMessage& message);
    // Called on the sender's queue: hands the result to the waiting sender and wakes it.
    void Answer(SentMessage& message, LRESULT result);
    // Input for a window of the thread; character is what a key down types (0 for none), kept
    // for TranslateMessage. The event it came from is kept too: as on the device, the window
    // it goes to is decided again when the thread takes it, so that a focus or capture taken
    // while handling earlier input already counts. False once the thread has ended.
    bool PostInput(const MSG& message, char16_t character, const drivers::InputEvent& event);
    // A window of the thread gained (+1) or lost (-1) its invalid area. Called under the window
    // table's lock; the caller wakes the queue once the lock is released.
    void CountWindowToPaint(int delta) { m_windowsToPaint.fetch_add(delta); }
    // Makes a waiting owner look again (a window of its thread needs painting).
    void Wake();
    // A destroyed window leaves nothing behind: its posted messages and timers go, and the
    // messages sent to it are returned so the caller can release their senders with 0.
    std::vector<std::shared_ptr<SentMessage>> ForgetWindow(HWND window);
    // The thread has ended: nothing more is accepted, and the messages still waiting to be
    // handled are returned so the caller can release their senders with 0.
    std::vector<std::shared_ptr<SentMessage>> Close();
    std::size_t WaitingSentCount() const;

    // ---- owner thread ----
    void PostQuit(int exitCode);

    // The next thing for the owner thread: a message sent from another thread to handle, or a
    // message to return. Nothing when the queue is empty and wait is false.
    struct Item {
        std::shared_ptr<SentMessage> m_sent;
        MSG m_message{};
    };
    std::optional<Item> Take(const MessageFilter& filter, bool remove, bool wait);

    // Waits until the message this thread sent is answered (returns its result) or a message
    // from another thread arrives (returns that, for the caller to handle before waiting again).
    struct Reply {
        std::optional<LRESULT> m_result;
        std::shared_ptr<SentMessage> m_incoming;
    };
    Reply WaitForReply(const SentMessage& outgoing);

    // The character the last key down taken out for the given key types, 0 for none.
    char16_t CharacterOfKey(WPARAM virtualKey) const;

    UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC procedure);
    bool KillTimer(HWND window, UINT_PTR id);

    // The message from another thread being handled right now (InSendMessage). Touched by the
    // owner thread only.
    const SentMessage* HandlingSent() const { return m_handlingSent; }
    void SetHandlingSent(const SentMessage* message) { m_handlingSent = message; }

private:
    std::optional<Item> TakeLocked(const MessageFilter& filter, bool remove,
                                   TimerClock::time_point now);

    const DWORD m_threadId;
    const std::weak_ptr<Desktop> m_desktop;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_closed = false;
    std::deque<std::shared_ptr<SentMessage>> m_sent;
    std::deque<MSG> m_posted;
    struct Input {
        MSG m_message;
        char16_t m_character;
        drivers::InputEvent m_event;
    };
    std::deque<Input> m_input;
    // Written under the window table's lock, read under this queue's: a count that lags behind
    // for a moment is harmless, because a change is followed by Wake.
    std::atomic<int> m_windowsToPaint{0};
    bool m_quit = false;
    int m_exitCode = 0;
    TimerList m_timers;

    const SentMessage* m_handlingSent = nullptr;
    // The last key down taken out. Touched by the owner thread only.
    WPARAM m_lastKey = 0;
    char16_t m_lastKeyCharacter = 0;
};

}  // namespace ce::user

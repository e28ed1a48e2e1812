// Helpers of the window-system tests: a fresh desktop per test, a window class whose procedure
// records every message and lets a test answer some, threads that own windows, and waits with
// deadlines.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "windows.h"

#include "drivers/headless/headless_driver.h"
#include "user/desktop.h"
#include "wait_until.h"

namespace ce::user::test {

using namespace std::chrono_literals;

inline constexpr std::chrono::milliseconds kDeadline = 5s;
// A message of the tests' own that they post to see where it comes in the retrieval order.
inline constexpr UINT kPosted = WM_USER + 3;

using brevanta::test::WaitUntil;

// A one-shot event between threads.
class Signal {
public:
    void Set();
    bool Wait(std::chrono::milliseconds timeout = kDeadline);
    bool IsSet();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_set = false;
};

// Ends the test program when a test does not finish in time: a deadlock in the window system
// shows up as a failure with the test's name instead of a run that never ends.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    Signal m_finished;
    std::thread m_thread;
};

// Handles the calling thread's messages (sent ones included) until the condition holds; false
// when the deadline passes first.
bool PumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = kDeadline);

struct Received {
    HWND m_window;
    UINT m_message;
    DWORD m_threadId;

    bool operator==(const Received& other) const {
        return m_window == other.m_window && m_message == other.m_message;
    }
};
void PrintTo(const Received& received, std::ostream* out);

// Takes the messages waiting for the calling thread, dispatching each (TranslateMessage first),
// until none is left; returns what was taken.
std::vector<MSG> DispatchWaiting();

// A test with a desktop of its own on a headless screen of 272x480, and the class L"Recorder",
// whose procedure logs each message it gets (window, message, thread) and then asks the test's
// answer hook; what the hook does not answer goes to DefWindowProcW.
class UserTest : public ::testing::Test {
protected:
    using Answer = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

    UserTest();
    ~UserTest() override;

    // A top-level window (or a child when parent is given) of the recording class.
    static HWND MakeWindow(HWND parent = nullptr, DWORD style = 0, int id = 0);
    // A window of the recording class at the given place, with WS_VISIBLE added, its first
    // paint done.
    static HWND MakeShown(const RECT& rect, DWORD style = WS_POPUP, HWND parent = nullptr,
                          DWORD exStyle = 0);

    void SetAnswer(Answer answer);
    std::vector<Received> Log() const;
    // The log, keeping only the given messages.
    std::vector<Received> Log(std::initializer_list<UINT> messages) const;
    void ClearLog();
    std::size_t CountOf(HWND window, UINT message) const;

    Desktop& TheDesktop() const { return m_desktop.Get(); }
    drivers::HeadlessDriver& Screen() const { return *m_screen; }

private:
    static LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static std::unique_ptr<drivers::DisplayDriver> NewScreen(drivers::HeadlessDriver*& screen);

    Watchdog m_watchdog{30s};
    drivers::HeadlessDriver* m_screen = nullptr;
    DesktopScope m_desktop{NewScreen(m_screen)};
    mutable std::mutex m_mutex;
    std::vector<Received> m_log;
    Answer m_answer;
};

// A thread that owns windows: it runs setup, then handles messages until WM_QUIT. Task runs a
// function on it from a posted thread message, so the thread is in its message loop meanwhile.
class WindowThread {
public:
    explicit WindowThread(std::function<void()> setup = {});
    ~WindowThread();
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    DWORD Id() const { return m_threadId; }
    // Runs fn on the thread and waits until it has run.
    void Run(std::function<void()> fn);
    // Posts WM_QUIT and waits for the thread to end.
    void Join();

private:
    static constexpr UINT kRunTask = WM_APP + 0x3F00;

    std::thread m_thread;
    DWORD m_threadId = 0;
};

// Lets time pass for a timer to fall due; no other thread is waited for.
void LetTimePass(std::chrono::milliseconds duration);

}  // namespace ce::user::test

#include "user_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

namespace ce::user::test {

namespace {

UserTest* g_currentTest = nullptr;

}  // namespace

// Notifies under the lock: a waiter may destroy the signal as soon as it sees it set.
void Signal::Set() {
    std::lock_guard lock(m_mutex);
    m_set = true;
    m_changed.notify_all();
}

bool Signal::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_set; });
}

bool Signal::IsSet() {
    std::lock_guard lock(m_mutex);
    return m_set;
}

Watchdog::Watchdog(std::chrono::seconds limit) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name =
        info == nullptr ? "a test" : std::string(info->test_suite_name()) + "." + info->name();
    m_thread = std::thread([this, limit, name = std::move(name)] {
        if (!m_finished.Wait(limit)) {
            std::fprintf(stderr, "%s did not finish within %llds: it hangs\n", name.c_str(),
                         static_cast<long long>(limit.count()));
            std::fflush(nullptr);
            std::abort();
        }
    });
}

Watchdog::~Watchdog() {
    m_finished.Set();
    m_thread.join();
}

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    return WaitUntil(
        [&] {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&message);
            }
            return condition();
        },
        timeout);
}

std::vector<MSG> DispatchWaiting() {
    std::vector<MSG> taken;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        taken.push_back(message);
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return taken;
}

void PrintTo(const Received& received, std::ostream* out) {
    *out << "{window " << received.m_window << ", message 0x" << std::hex << received.m_message
         << std::dec << "}";
}

UserTest::UserTest() {
    g_currentTest = this;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &RecorderProc;
    windowClass.lpszClassName = TEXT("Recorder");
    windowClass.cbWndExtra = 2 * sizeof(LONG_PTR);
    EXPECT_NE(RegisterClassW(&windowClass), 0);
}

UserTest::~UserTest() {
    g_currentTest = nullptr;
}

HWND UserTest::MakeWindow(HWND parent, DWORD style, int id) {
    return CreateWindowExW(0, TEXT("Recorder"), TEXT("window"), style, 0, 0, 10, 10, parent,
                           reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr,
                           nullptr);
}

HWND UserTest::MakeShown(const RECT& rect, DWORD style, HWND parent, DWORD exStyle) {
    HWND window = CreateWindowExW(exStyle, TEXT("Recorder"), TEXT("window"), style | WS_VISIBLE,
                                  rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent, nullptr, nullptr, nullptr);
    EXPECT_NE(window, nullptr);
    DispatchWaiting();
    return window;
}

std::unique_ptr<drivers::DisplayDriver> UserTest::NewScreen(drivers::HeadlessDriver*& screen) {
    std::string error;
    auto driver = drivers::HeadlessDriver::Create(drivers::HeadlessOptions{}, &error);
    EXPECT_NE(driver, nullptr) << error;
    screen = driver.get();
    return driver;
}

void UserTest::SetAnswer(Answer answer) {
    std::lock_guard lock(m_mutex);
    m_answer = std::move(answer);
}

std::vector<Received> UserTest::Log() const {
    std::lock_guard lock(m_mutex);
    return m_log;
}

std::vector<Received> UserTest::Log(std::initializer_list<UINT> messages) const {
    std::vector<Received> kept;
    for (const Received& received : Log()) {
        if (std::find(messages.begin(), messages.end(), received.m_message) != messages.end()) {
            kept.push_back(received);
        }
    }
    return kept;
}

void UserTest::ClearLog() {
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

std::size_t UserTest::CountOf(HWND window, UINT message) const {
    const auto log = Log();
    return static_cast<std::size_t>(
        std::count(log.begin(), log.end(), Received{window, message, 0}));
}

LRESULT CALLBACK UserTest::RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    UserTest* test = g_currentTest;
    Answer answer;
    {
        std::lock_guard lock(test->m_mutex);
        test->m_log.push_back(Received{window, message, GetCurrentThreadId()});
        answer = test->m_answer;
    }
    if (answer) {
        if (auto result = answer(window, message, wParam, lParam)) {
            return *result;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

WindowThread::WindowThread(std::function<void()> setup) {
    Signal ready;
    m_thread = std::thread([this, &ready, setup = std::move(setup)] {
        MSG message;
        // Makes the queue, so that thread messages reach the thread from the start.
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        if (setup) {
            setup();
        }
        m_threadId = GetCurrentThreadId();
        ready.Set();
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (message.hwnd == nullptr && message.message == kRunTask) {
                (*reinterpret_cast<std::function<void()>*>(message.lParam))();
            } else {
                DispatchMessageW(&message);
            }
        }
    });
    EXPECT_TRUE(ready.Wait());
}

WindowThread::~WindowThread() {
    Join();
}

void WindowThread::Run(std::function<void()> fn) {
    Signal done;
    std::function<void()> task = [&] {
        fn();
        done.Set();
    };
    ASSERT_TRUE(PostThreadMessageW(m_threadId, kRunTask, 0, reinterpret_cast<LPARAM>(&task)));
    ASSERT_TRUE(done.Wait());
}

void WindowThread::Join() {
    if (m_thread.joinable()) {
        PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }
}

void LetTimePass(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

}  // namespace ce::user::test

// Posting, the quit rule, filters, retrieval and dispatch.
#include "user_test_support.h"

namespace ce::user::test {
namespace {

using MessageLoopTest = UserTest;

constexpr UINT kFirst = WM_USER + 1;
constexpr UINT kSecond = WM_USER + 2;
constexpr UINT kThird = WM_USER + 3;

std::vector<UINT> Drain(HWND window = nullptr, UINT first = 0, UINT last = 0) {
    std::vector<UINT> messages;
    MSG message;
    while (PeekMessageW(&message, window, first, last, PM_REMOVE)) {
        messages.push_back(message.message);
    }
    return messages;
}

TEST_F(MessageLoopTest, PostedMessagesComeOutInOrderWithTheirData) {
    HWND window = MakeWindow();
    const DWORD before = GetTickCount();
    ASSERT_TRUE(PostMessageW(window, kFirst, 1, 2));
    ASSERT_TRUE(PostMessageW(nullptr, kSecond, 3, 4));
    ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), kThird, 5, 6));

    MSG message;
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(message.hwnd, window);
    EXPECT_EQ(message.message, kFirst);
    EXPECT_EQ(message.wParam, 1u);
    EXPECT_EQ(message.lParam, 2);
    EXPECT_LE(message.time - before, 5000u);
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(message.hwnd, nullptr) << "a null window posts to the thread";
    EXPECT_EQ(message.message, kSecond);
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, kThird);
    EXPECT_EQ(message.lParam, 6);
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageLoopTest, PostingFailsForUnknownWindowsAndThreads) {
    HWND gone = MakeWindow();
    ASSERT_TRUE(DestroyWindow(gone));
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(gone, kFirst, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));

    DWORD ended = 0;
    std::thread([&] {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        ended = GetCurrentThreadId();
    }).join();
    DWORD withoutQueue = 0;
    std::thread([&] { withoutQueue = GetCurrentThreadId(); }).join();
    for (DWORD threadId : {ended, withoutQueue, DWORD{0xFFFFFFF0}}) {
        SetLastError(0);
        EXPECT_FALSE(PostThreadMessageW(threadId, kFirst, 0, 0));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
    }
}

TEST_F(MessageLoopTest, PostingReachesTheWindowsThread) {
    HWND window = nullptr;
    WindowThread owner([&] { window = MakeWindow(); });
    Signal handled;
    SetAnswer([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == kFirst) {
            handled.Set();
        }
        return std::nullopt;
    });
    ClearLog();
    ASSERT_TRUE(PostMessageW(window, kFirst, 0, 0));
    ASSERT_TRUE(handled.Wait()) << "the blocked GetMessageW woke up";
    EXPECT_EQ(Log({kFirst})[0].m_threadId, owner.Id());
}

// WM_QUIT comes once no posted message is left, with the exit code, and ends GetMessageW's loop.
TEST_F(MessageLoopTest, QuitComesAfterThePostedMessages) {
    ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), kFirst, 0, 0));
    PostQuitMessage(7);
    ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), kSecond, 0, 0));

    std::vector<UINT> received;
    MSG message;
    BOOL result;
    while ((result = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        received.push_back(message.message);
    }
    EXPECT_EQ(result, FALSE);
    EXPECT_EQ(received, (std::vector<UINT>{kFirst, kSecond}));
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_EQ(message.wParam, 7u);
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) << "the quit is taken once";
}

TEST_F(MessageLoopTest, QuitStaysUntilRemovedAndPassesAnyFilter) {
    HWND window = MakeWindow();
    PostQuitMessage(3);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, WM_QUIT);
    ASSERT_TRUE(PeekMessageW(&message, window, kFirst, kFirst, PM_REMOVE));
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
}

// A modal loop that takes the quit passes it on, so the loop outside ends as well.
TEST_F(MessageLoopTest, NestedLoopPassesTheQuitOn) {
    HWND window = MakeWindow();
    std::vector<UINT> inner;
    SetAnswer([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == kFirst) {
            MSG nested;
            while (GetMessageW(&nested, nullptr, 0, 0) > 0) {
                inner.push_back(nested.message);
                DispatchMessageW(&nested);
            }
            PostQuitMessage(static_cast<int>(nested.wParam));
            return 0;
        }
        return std::nullopt;
    });
    PostMessageW(window, kFirst, 0, 0);
    PostMessageW(window, kSecond, 0, 0);
    PostQuitMessage(9);

    MSG message;
    std::vector<UINT> outer;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        outer.push_back(message.message);
        DispatchMessageW(&message);
    }
    EXPECT_EQ(outer, (std::vector<UINT>{kFirst}));
    EXPECT_EQ(inner, (std::vector<UINT>{kSecond}));
    EXPECT_EQ(message.wParam, 9u);
}

TEST_F(MessageLoopTest, FiltersSelectByWindowTreeAndRange) {
    HWND window = MakeWindow();
    HWND child = MakeWindow(window, WS_CHILD);
    HWND other = MakeWindow();
    PostMessageW(other, kFirst, 0, 0);
    PostMessageW(child, kSecond, 0, 0);
    PostMessageW(nullptr, kThird, 0, 0);
    PostMessageW(window, kThird, 0, 0);
    PostMessageW(window, kFirst, 0, 0);

    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, window, kSecond, kThird, PM_NOREMOVE));
    EXPECT_EQ(message.hwnd, child) << "children are part of the window's messages";
    EXPECT_EQ(Drain(window, kSecond, kThird), (std::vector<UINT>{kSecond, kThird}));
    EXPECT_EQ(Drain(window), (std::vector<UINT>{kFirst}));
    EXPECT_EQ(Drain(nullptr, kThird, kThird), (std::vector<UINT>{kThird}));
    EXPECT_EQ(Drain(), (std::vector<UINT>{kFirst}));
}

TEST_F(MessageLoopTest, RetrievalRejectsAnInvalidWindowFilter) {
    HWND gone = MakeWindow();
    ASSERT_TRUE(DestroyWindow(gone));
    MSG message;
    EXPECT_EQ(GetMessageW(&message, gone, 0, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PeekMessageW(&message, gone, 0, 0, PM_REMOVE));
}

TEST_F(MessageLoopTest, DispatchCallsTheProcedureAndReturnsItsResult) {
    HWND window = MakeWindow();
    SetAnswer([](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == kFirst) {
            return static_cast<LRESULT>(wParam) * 3;
        }
        return std::nullopt;
    });
    ClearLog();
    PostMessageW(window, kFirst, 5, 0);
    PostMessageW(nullptr, kSecond, 0, 0);
    MSG message;
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_FALSE(TranslateMessage(&message));
    EXPECT_EQ(DispatchMessageW(&message), 15);
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(DispatchMessageW(&message), 0) << "a thread message has no procedure";
    EXPECT_EQ(Log(), (std::vector<Received>{{window, kFirst, 0}}));
    EXPECT_EQ(DispatchMessageW(nullptr), 0);
}

TEST_F(MessageLoopTest, DispatchRunsProceduresOnTheirOwnThreadOnly) {
    HWND window = nullptr;
    WindowThread owner([&] { window = MakeWindow(); });
    ClearLog();
    MSG message{};
    message.hwnd = window;
    message.message = kFirst;
    SetLastError(0);
    EXPECT_EQ(DispatchMessageW(&message), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(Log().empty());
}

TEST_F(MessageLoopTest, DestroyingAWindowDropsItsPostedMessages) {
    HWND window = MakeWindow();
    HWND other = MakeWindow();
    PostMessageW(window, kFirst, 0, 0);
    PostMessageW(other, kSecond, 0, 0);
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_EQ(Drain(), (std::vector<UINT>{kSecond}));
}

}  // namespace
}  // namespace ce::user::test

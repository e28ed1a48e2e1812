// SendMessageW within and across threads.
#include "user_test_support.h"

#include <atomic>

#include "user/message_queue.h"

namespace ce::user::test {
namespace {

using SendMessageTest = UserTest;

constexpr UINT kAdd = WM_USER + 1;
constexpr UINT kAskBack = WM_USER + 2;

std::optional<LRESULT> AddAnswer(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kAdd) {
        return static_cast<LRESULT>(wParam) + lParam;
    }
    return std::nullopt;
}

std::size_t WaitingSent(Desktop& desktop, DWORD threadId) {
    auto queue = desktop.QueueOf(threadId);
    return queue ? queue->WaitingSentCount() : 0;
}

TEST_F(SendMessageTest, SameThreadIsADirectCall) {
    HWND window = MakeWindow();
    BOOL inSend = TRUE;
    SetAnswer([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        inSend = InSendMessage();
        return AddAnswer(hwnd, message, wParam, lParam);
    });
    EXPECT_EQ(SendMessageW(window, kAdd, 2, 3), 5);
    EXPECT_FALSE(inSend);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        << "nothing went through the queue";
}

TEST_F(SendMessageTest, AnotherThreadsWindowAnswersOnItsThreadWhileTheSenderWaits) {
    HWND window = nullptr;
    WindowThread owner([&] { window = MakeWindow(); });
    BOOL inSend = FALSE;
    SetAnswer([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kAdd) {
            inSend = InSendMessage();
        }
        return AddAnswer(hwnd, message, wParam, lParam);
    });
    ClearLog();

    EXPECT_EQ(SendMessageW(window, kAdd, 40, 2), 42);

    const auto log = Log({kAdd});
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].m_threadId, owner.Id());
    EXPECT_TRUE(inSend);
    EXPECT_FALSE(InSendMessage());
}

// The owner sends back to the waiting sender's window: the sender handles it inside its own
// SendMessageW, and two threads sending to each other at once both get their answers.
TEST_F(SendMessageTest, ASenderHandlesWhatIsSentToItWhileItWaits) {
    HWND mine = MakeWindow();
    HWND theirs = nullptr;
    WindowThread owner([&] { theirs = MakeWindow(); });
    SetAnswer([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == kAskBack && hwnd == theirs) {
            return 1 + SendMessageW(mine, kAdd, wParam, lParam);
        }
        return AddAnswer(hwnd, message, wParam, lParam);
    });

    EXPECT_EQ(SendMessageW(theirs, kAskBack, 10, 20), 31);
    const auto log = Log({kAdd});
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].m_threadId, GetCurrentThreadId());
}

TEST_F(SendMessageTest, TwoThreadsSendingToEachOtherDoNotDeadlock) {
    HWND first = nullptr;
    HWND second = nullptr;
    WindowThread a([&] { first = MakeWindow(); });
    WindowThread b([&] { second = MakeWindow(); });
    SetAnswer(&AddAnswer);

    constexpr int kRounds = 50;
    std::atomic<int> ready{0};
    LRESULT sumA = 0;
    LRESULT sumB = 0;
    auto exchange = [&](HWND target, LRESULT& sum) {
        ++ready;
        while (ready.load() < 2) {
            std::this_thread::yield();
        }
        for (int i = 0; i < kRounds; ++i) {
            sum += SendMessageW(target, kAdd, 1, i);
        }
    };
    std::thread toSecond([&] { a.Run([&] { exchange(second, sumA); }); });
    b.Run([&] { exchange(first, sumB); });
    toSecond.join();
    const LRESULT expected = kRounds + kRounds * (kRounds - 1) / 2;
    EXPECT_EQ(sumA, expected);
    EXPECT_EQ(sumB, expected);
}

TEST_F(SendMessageTest, DestroyedWindowAnswersZeroAtOnce) {
    HWND window = nullptr;
    WindowThread owner([&] { window = MakeWindow(); });
    owner.Run([&] { DestroyWindow(window); });
    SetAnswer(&AddAnswer);
    ClearLog();
    SetLastError(0);
    EXPECT_EQ(SendMessageW(window, kAdd, 1, 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_TRUE(Log().empty());
}

// The owner is busy while a sender waits; then it destroys the window (or ends) without looking
// at its queue. The sender is released with 0 right then, and the message is never handled.
TEST_F(SendMessageTest, SenderIsReleasedWhenTheWindowOrItsThreadGoes) {
    for (const bool endThread : {false, true}) {
        SCOPED_TRACE(endThread ? "thread ends" : "window destroyed");
        ClearLog();
        SetAnswer(&AddAnswer);
        HWND window = nullptr;
        DWORD ownerId = 0;
        Signal created;
        Signal goOn;
        Signal released;
        std::thread owner([&] {
            window = MakeWindow();
            ownerId = GetCurrentThreadId();
            created.Set();
            goOn.Wait();
            if (!endThread) {
                DestroyWindow(window);
                // Still alive and not looking at its queue: only the destruction can release.
                released.Wait();
            }
        });
        ASSERT_TRUE(created.Wait());

        LRESULT result = -1;
        std::thread sender([&] {
            result = SendMessageW(window, kAdd, 1, 1);
            released.Set();
        });
        ASSERT_TRUE(WaitUntil([&] { return WaitingSent(TheDesktop(), ownerId) == 1; }));
        goOn.Set();
        EXPECT_TRUE(released.Wait());
        sender.join();
        owner.join();
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(Log({kAdd}).empty());
    }
}

// A sender that found the window an instant before its thread removed it must not wait for an
// answer its thread will never give: the owner here stops looking at its queue once the window
// is gone, as a program does that waits for its threads after its message loop. The sender is
// let go at a different moment of the destruction each round.
TEST_F(SendMessageTest, SenderRacingTheWindowsRemovalIsNeverLeftWaiting) {
    SetAnswer(&AddAnswer);
    constexpr int kRounds = 400;
    for (int round = 0; round < kRounds; ++round) {
        std::atomic<HWND> window{nullptr};
        std::atomic<bool> go{false};
        Signal answered;
        std::thread owner([&] {
            window = MakeWindow();
            go = true;
            DestroyWindow(window);
            // Not pumping: only the window system can release the sender now.
            answered.Wait();
        });
        std::thread sender([&] {
            while (!go.load()) {
                std::this_thread::yield();
            }
            std::atomic<int> spins{0};
            while (spins.fetch_add(1, std::memory_order_relaxed) < round) {
            }
            SendMessageW(window, kAdd, 1, 1);
            answered.Set();
        });
        const bool released = answered.Wait(std::chrono::seconds(5));
        answered.Set();
        owner.join();
        sender.join();
        ASSERT_TRUE(released) << "the sender waited in round " << round;
    }
}

// Sent messages are handled first, even when a posted one came earlier, and GetMessageW returns
// only the posted one.
TEST_F(SendMessageTest, SentMessagesAreHandledBeforePostedOnes) {
    HWND window = MakeWindow();
    SetAnswer(&AddAnswer);
    ClearLog();
    std::atomic<int> answered{0};
    std::thread other([&] {
        PostMessageW(window, kPosted, 0, 0);
        SendMessageW(window, kAdd, 0, 0);
        ++answered;
    });
    ASSERT_TRUE(WaitUntil([&] { return WaitingSent(TheDesktop(), GetCurrentThreadId()) == 1; }));

    MSG message;
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, kPosted);
    EXPECT_EQ(Log(), (std::vector<Received>{{window, kAdd, 0}}));

    std::thread sendOnly([&] {
        SendMessageW(window, kAdd, 0, 0);
        ++answered;
    });
    ASSERT_TRUE(WaitUntil([&] { return WaitingSent(TheDesktop(), GetCurrentThreadId()) == 1; }));
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE))
        << "a sent message is handled, never returned";
    EXPECT_EQ(CountOf(window, kAdd), 2u);

    EXPECT_TRUE(PumpUntil([&] { return answered == 2; }));
    other.join();
    sendOnly.join();
}

}  // namespace
}  // namespace ce::user::test

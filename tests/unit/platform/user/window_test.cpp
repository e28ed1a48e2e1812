// Windows: creation and destruction sequences, the window tree, window longs, handles.
#include "user_test_support.h"

#include <unistd.h>

#include "user/message_queue.h"

namespace ce::user::test {
namespace {

using WindowTest = UserTest;

const std::initializer_list<UINT> kLifeMessages = {WM_NCCREATE, WM_CREATE, WM_DESTROY,
                                                   WM_NCDESTROY};

TEST_F(WindowTest, CreationSendsNcCreateThenCreateWithTheCreationData) {
    std::vector<CREATESTRUCTW> seen;
    SetAnswer([&](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_NCCREATE || message == WM_CREATE) {
            seen.push_back(*reinterpret_cast<const CREATESTRUCTW*>(lParam));
        }
        return std::nullopt;
    });
    HWND parent = MakeWindow();
    ClearLog();
    seen.clear();
    int parameter = 0;
    HWND child = CreateWindowExW(0x20, TEXT("Recorder"), TEXT("Name"), WS_CHILD | 0x5, 1, 2, 30, 40,
                                 parent, reinterpret_cast<HMENU>(7), nullptr, &parameter);
    ASSERT_NE(child, nullptr);

    EXPECT_EQ(Log({WM_NCCREATE, WM_CREATE}),
              (std::vector<Received>{{child, WM_NCCREATE, 0}, {child, WM_CREATE, 0}}));
    ASSERT_EQ(seen.size(), 2u);
    for (const CREATESTRUCTW& create : seen) {
        EXPECT_EQ(create.lpCreateParams, &parameter);
        EXPECT_EQ(create.hwndParent, parent);
        EXPECT_EQ(create.hMenu, reinterpret_cast<HMENU>(7));
        EXPECT_EQ(create.x, 1);
        EXPECT_EQ(create.y, 2);
        EXPECT_EQ(create.cx, 30);
        EXPECT_EQ(create.cy, 40);
        EXPECT_EQ(create.style, static_cast<LONG>(WS_CHILD | 0x5));
        EXPECT_EQ(create.dwExStyle, 0x20u);
        EXPECT_EQ(std::u16string(create.lpszName), u"Name");
        EXPECT_EQ(std::u16string(create.lpszClass), u"Recorder");
    }

    EXPECT_EQ(GetParent(child), parent);
    DWORD processId = 0;
    EXPECT_EQ(GetWindowThreadProcessId(child, &processId), GetCurrentThreadId());
    EXPECT_EQ(processId, static_cast<DWORD>(getpid()));
    EXPECT_EQ(GetWindowLongPtrW(child, GWLP_ID), 7);
    EXPECT_EQ(GetWindowLongPtrW(child, GWL_STYLE), static_cast<LONG_PTR>(WS_CHILD | 0x5));
    EXPECT_EQ(GetWindowLongPtrW(child, GWL_EXSTYLE), 0x20);
    TheDesktop().Windows().With(child, [](const Window& window) {
        EXPECT_EQ(window.m_text, u"Name") << "DefWindowProcW keeps the text at WM_NCCREATE";
        EXPECT_EQ(window.m_rect.left, 1);
        EXPECT_EQ(window.m_rect.bottom, 42);
    });
}

TEST_F(WindowTest, FailedCreationDestroysTheWindow) {
    struct Case {
        const char* name;
        UINT failing;
        LRESULT failure;
        std::vector<UINT> expected;
    };
    const Case cases[] = {
        {"WM_NCCREATE returns 0", WM_NCCREATE, 0, {WM_NCCREATE, WM_NCDESTROY}},
        {"WM_CREATE returns -1", WM_CREATE, -1, {WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearLog();
        SetAnswer([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (message == c.failing) {
                return c.failure;
            }
            return std::nullopt;
        });
        EXPECT_EQ(MakeWindow(), nullptr);
        const auto log = Log();
        ASSERT_EQ(log.size(), c.expected.size());
        for (std::size_t i = 0; i < log.size(); ++i) {
            EXPECT_EQ(log[i].m_message, c.expected[i]) << "at " << i;
            EXPECT_EQ(log[i].m_window, log[0].m_window);
        }
        EXPECT_FALSE(IsWindow(log[0].m_window));
    }
}

TEST_F(WindowTest, ProcedureDestroyingItsWindowDuringCreationFailsIt) {
    SetAnswer([](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_CREATE) {
            DestroyWindow(window);
        }
        return std::nullopt;
    });
    EXPECT_EQ(MakeWindow(), nullptr);
    EXPECT_EQ(Log(kLifeMessages).size(), 4u);
}

// WM_DESTROY goes down the tree parent first, WM_NCDESTROY comes back up children first.
TEST_F(WindowTest, DestructionOrderOfParentAndChildren) {
    HWND parent = MakeWindow();
    HWND first = MakeWindow(parent, WS_CHILD, 1);
    HWND grandchild = MakeWindow(first, WS_CHILD, 3);
    HWND second = MakeWindow(parent, WS_CHILD, 2);
    ClearLog();

    ASSERT_TRUE(DestroyWindow(parent));

    EXPECT_EQ(Log(kLifeMessages), (std::vector<Received>{
                                      {parent, WM_DESTROY, 0},
                                      {first, WM_DESTROY, 0},
                                      {grandchild, WM_DESTROY, 0},
                                      {second, WM_DESTROY, 0},
                                      {grandchild, WM_NCDESTROY, 0},
                                      {first, WM_NCDESTROY, 0},
                                      {second, WM_NCDESTROY, 0},
                                      {parent, WM_NCDESTROY, 0},
                                  }));
    for (HWND window : {parent, first, grandchild, second}) {
        EXPECT_FALSE(IsWindow(window));
    }
}

TEST_F(WindowTest, HandleIsValidUntilNcDestroyReturns) {
    HWND window = MakeWindow();
    std::vector<BOOL> validity;
    SetAnswer([&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_DESTROY || message == WM_NCDESTROY) {
            validity.push_back(IsWindow(hwnd));
        }
        return std::nullopt;
    });
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_EQ(validity, (std::vector<BOOL>{TRUE, TRUE}));
}

TEST_F(WindowTest, DestroyingAgainIsSafe) {
    HWND parent = MakeWindow();
    HWND child = MakeWindow(parent, WS_CHILD);
    HWND sibling = MakeWindow(parent, WS_CHILD);
    std::vector<BOOL> nested;
    SetAnswer([&](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_DESTROY && window == parent) {
            nested.push_back(DestroyWindow(parent));
            nested.push_back(DestroyWindow(child));
        }
        if (message == WM_NCDESTROY && window == sibling) {
            nested.push_back(DestroyWindow(parent));
        }
        return std::nullopt;
    });
    ClearLog();
    ASSERT_TRUE(DestroyWindow(parent));
    EXPECT_EQ(nested, (std::vector<BOOL>{TRUE, TRUE, TRUE}));
    for (HWND window : {parent, child, sibling}) {
        EXPECT_EQ(CountOf(window, WM_DESTROY), 1u);
        EXPECT_EQ(CountOf(window, WM_NCDESTROY), 1u);
    }

    SetLastError(0);
    EXPECT_FALSE(DestroyWindow(parent));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowTest, OnlyTheOwnerThreadDestroys) {
    HWND window = MakeWindow();
    BOOL destroyed = TRUE;
    DWORD error = 0;
    std::thread([&] {
        destroyed = DestroyWindow(window);
        error = GetLastError();
    }).join();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(WindowTest, CloseDestroysByDefault) {
    HWND window = MakeWindow();
    EXPECT_EQ(SendMessageW(window, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(WindowTest, OwnedWindowsGoBeforeTheirOwner) {
    HWND owner = MakeWindow();
    HWND child = MakeWindow(owner, WS_CHILD);
    HWND popup = MakeWindow(child, WS_POPUP);
    HWND overlapped = MakeWindow(owner);
    ASSERT_NE(popup, nullptr);

    EXPECT_EQ(GetParent(popup), owner) << "a popup's parent is the top-level owner";
    EXPECT_EQ(GetParent(overlapped), nullptr);
    EXPECT_EQ(GetParent(owner), nullptr);

    ClearLog();
    ASSERT_TRUE(DestroyWindow(owner));
    EXPECT_EQ(Log(kLifeMessages), (std::vector<Received>{
                                      {popup, WM_DESTROY, 0},
                                      {popup, WM_NCDESTROY, 0},
                                      {overlapped, WM_DESTROY, 0},
                                      {overlapped, WM_NCDESTROY, 0},
                                      {owner, WM_DESTROY, 0},
                                      {child, WM_DESTROY, 0},
                                      {child, WM_NCDESTROY, 0},
                                      {owner, WM_NCDESTROY, 0},
                                  }));
}

TEST_F(WindowTest, ChildNeedsAValidParent) {
    SetLastError(0);
    EXPECT_EQ(MakeWindow(nullptr, WS_CHILD), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TLW_WITH_WSCHILD));

    HWND gone = MakeWindow();
    ASSERT_TRUE(DestroyWindow(gone));
    for (DWORD style : {DWORD{WS_CHILD}, DWORD{WS_POPUP}}) {
        SetLastError(0);
        EXPECT_EQ(MakeWindow(gone, style), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    }
}

TEST_F(WindowTest, WindowLongsReadBackAndReturnThePreviousValue) {
    HWND window = MakeWindow();
    struct Case {
        int index;
        LONG_PTR value;
    };
    const Case cases[] = {
        {GWLP_USERDATA, 0x1234}, {GWLP_ID, 99}, {GWL_STYLE, static_cast<LONG>(WS_POPUP | 0x10)},
        {GWL_EXSTYLE, 0x8},      {0, -5},       {static_cast<int>(sizeof(LONG_PTR)), 77},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        const LONG_PTR before = GetWindowLongPtrW(window, c.index);
        EXPECT_EQ(SetWindowLongPtrW(window, c.index, c.value), before);
        EXPECT_EQ(GetWindowLongPtrW(window, c.index), c.value);
    }

    for (int badIndex : {-1, -100, static_cast<int>(sizeof(LONG_PTR)) + 1}) {
        SetLastError(0);
        EXPECT_EQ(GetWindowLongPtrW(window, badIndex), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX)) << badIndex;
    }
}

LRESULT CALLBACK Doubler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WNDPROC g_original = nullptr;

LRESULT CALLBACK Doubler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) {
        return 2 * CallWindowProcW(g_original, window, message, wParam, lParam);
    }
    return CallWindowProcW(g_original, window, message, wParam, lParam);
}

TEST_F(WindowTest, SubclassingReplacesTheProcedure) {
    HWND window = MakeWindow();
    SetAnswer([](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_USER) {
            return static_cast<LRESULT>(wParam);
        }
        return std::nullopt;
    });
    g_original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Doubler)));
    ASSERT_NE(g_original, nullptr);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&Doubler));
    EXPECT_EQ(SendMessageW(window, WM_USER, 21, 0), 42);
    EXPECT_EQ(CallWindowProcW(nullptr, window, WM_USER, 1, 0), 0);

    LONG_PTR replaced = 0;
    DWORD error = 0;
    std::thread([&] {
        replaced = SetWindowLongPtrW(window, GWLP_WNDPROC, 0);
        error = GetLastError();
    }).join();
    EXPECT_EQ(replaced, 0);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&Doubler));
}

// A reused slot gets a new generation: the old handle names nothing, not the new window.
TEST_F(WindowTest, StaleHandleIsNeverTakenForANewWindow) {
    HWND old = MakeWindow();
    ASSERT_TRUE(DestroyWindow(old));
    HWND reused = MakeWindow();
    ASSERT_NE(reused, nullptr);
    const auto slotOf = [](HWND window) {
        return (reinterpret_cast<std::uintptr_t>(window) >> 1) & 0xFFFF;
    };
    ASSERT_EQ(slotOf(reused), slotOf(old)) << "the slot is reused";
    EXPECT_NE(reused, old);

    ClearLog();
    SetLastError(0);
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(SendMessageW(old, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessageW(old, WM_USER, 0, 0));
    EXPECT_EQ(SetWindowLongPtrW(old, GWLP_USERDATA, 1), 0);
    EXPECT_EQ(GetParent(old), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(GetWindowLongPtrW(reused, GWLP_USERDATA), 0);
    EXPECT_TRUE(Log().empty());

    for (HWND bogus :
         {HWND{}, reinterpret_cast<HWND>(1), reinterpret_cast<HWND>(~std::uintptr_t{})}) {
        EXPECT_FALSE(IsWindow(bogus));
    }
}

// At thread end nothing of the thread can be trusted to run a window procedure, so the windows
// go without messages, and the thread's queue with them.
TEST_F(WindowTest, WindowsOfAnEndedThreadAreGoneWithoutMessages) {
    HWND window = nullptr;
    HWND child = nullptr;
    DWORD threadId = 0;
    std::thread([&] {
        window = MakeWindow();
        child = MakeWindow(window, WS_CHILD);
        SetTimer(window, 1, 10, nullptr);
        threadId = GetCurrentThreadId();
    }).join();
    ASSERT_NE(child, nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_TRUE(Log({WM_DESTROY, WM_NCDESTROY}).empty());
    EXPECT_EQ(TheDesktop().QueueOf(threadId), nullptr);
}

// For a thread of CreateThread the windows are gone by the time a wait on the thread completes.
TEST_F(WindowTest, WindowsOfACreatedThreadAreGoneWhenTheWaitCompletes) {
    HWND window = nullptr;
    const LPTHREAD_START_ROUTINE makeWindowAndEnd = [](LPVOID result) -> DWORD {
        *static_cast<HWND*>(result) = MakeWindow();
        return 0;
    };
    HANDLE thread = CreateThread(nullptr, 0, makeWindowAndEnd, &window, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    CloseHandle(thread);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindow(window));
}

}  // namespace
}  // namespace ce::user::test

// The paint cycle: when WM_PAINT comes, for which windows, with what erased and validated.
#include "user_test_support.h"

namespace ce::user::test {
namespace {

using PaintTest = UserTest;

std::vector<UINT> Messages(const std::vector<MSG>& taken) {
    std::vector<UINT> messages;
    for (const MSG& message : taken) {
        messages.push_back(message.message);
    }
    return messages;
}

std::vector<HWND> PaintedWindows(const std::vector<MSG>& taken) {
    std::vector<HWND> windows;
    for (const MSG& message : taken) {
        if (message.message == WM_PAINT) {
            windows.push_back(message.hwnd);
        }
    }
    return windows;
}

TEST_F(PaintTest, PaintComesAfterPostedMessagesAndInputAndBeforeTimers) {
    HWND window = MakeShown(RECT{0, 0, 50, 50});
    ASSERT_TRUE(SetTimer(window, 1, 10, nullptr));
    LetTimePass(20ms);
    InvalidateRect(window, nullptr, FALSE);
    PostMessageW(window, kPosted, 0, 0);
    drivers::InputEvent press;
    press.kind = drivers::InputEvent::Kind::kPointerDown;
    press.screen = POINT{5, 5};
    ASSERT_TRUE(Screen().Inject(press));

    std::vector<UINT> order;
    MSG message;
    while (order.size() < 4 && GetMessageW(&message, nullptr, 0, 0)) {
        order.push_back(message.message);
        DispatchMessageW(&message);
    }
    EXPECT_EQ(order, (std::vector<UINT>{kPosted, WM_LBUTTONDOWN, WM_PAINT, WM_TIMER}));
    KillTimer(window, 1);
    EXPECT_TRUE(DispatchWaiting().empty()) << "one WM_PAINT, validated by its handling";
}

TEST_F(PaintTest, InvalidationsAddUpToOnePaintOfTheirBounds) {
    HWND window = MakeShown(RECT{0, 0, 100, 100});
    RECT painted{};
    SetAnswer([&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_PAINT) {
            return std::nullopt;
        }
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        painted = paint.rcPaint;
        EndPaint(hwnd, &paint);
        return 0;
    });
    const RECT first{10, 10, 20, 20};
    const RECT second{30, 5, 40, 15};
    InvalidateRect(window, &first, FALSE);
    InvalidateRect(window, &second, FALSE);
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
    EXPECT_EQ(update.left, 10);
    EXPECT_EQ(update.top, 5);
    EXPECT_EQ(update.right, 40);
    EXPECT_EQ(update.bottom, 20);

    EXPECT_EQ(PaintedWindows(DispatchWaiting()), std::vector<HWND>{window});
    EXPECT_EQ(painted.left, 10);
    EXPECT_EQ(painted.bottom, 20);
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
}

TEST_F(PaintTest, ParentsPaintBeforeTheirChildren) {
    HWND parent = MakeShown(RECT{0, 0, 100, 100});
    HWND child = MakeShown(RECT{10, 10, 60, 60}, WS_CHILD, parent);
    HWND grandchild = MakeShown(RECT{5, 5, 20, 20}, WS_CHILD, child);
    InvalidateRect(grandchild, nullptr, FALSE);
    InvalidateRect(parent, nullptr, FALSE);
    EXPECT_EQ(PaintedWindows(DispatchWaiting()), (std::vector<HWND>{parent, child, grandchild}));
}

// Invalidating a parent reaches the children it covers, unless it clips its children.
TEST_F(PaintTest, InvalidationReachesCoveredChildrenUnlessClipped) {
    struct Case {
        const char* name;
        DWORD parentStyle;
        RECT invalid;
        bool childPainted;
    };
    const Case cases[] = {
        {"covering", WS_POPUP, RECT{0, 0, 15, 15}, true},
        {"beside", WS_POPUP, RECT{70, 70, 90, 90}, false},
        {"clipping children", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, 15, 15}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND parent = MakeShown(RECT{0, 0, 100, 100}, c.parentStyle);
        HWND child = MakeShown(RECT{10, 10, 60, 60}, WS_CHILD, parent);
        InvalidateRect(parent, &c.invalid, FALSE);
        const auto painted = PaintedWindows(DispatchWaiting());
        EXPECT_EQ(painted.size(), c.childPainted ? 2u : 1u);
        EXPECT_EQ(std::count(painted.begin(), painted.end(), child), c.childPainted ? 1 : 0);
        DestroyWindow(parent);
    }
}

TEST_F(PaintTest, BeginPaintErasesWhenAsked) {
    struct Case {
        const char* name;
        BOOL erase;
        std::optional<LRESULT> eraseAnswer;
        bool erased;
        BOOL fErase;
    };
    const Case cases[] = {
        {"no erase", FALSE, std::nullopt, false, FALSE},
        {"erase without a class brush", TRUE, std::nullopt, true, TRUE},
        {"erase done by the procedure", TRUE, 1, true, FALSE},
    };
    HWND window = MakeShown(RECT{0, 0, 40, 40});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BOOL fErase = -1;
        SetAnswer([&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (message == WM_ERASEBKGND) {
                return c.eraseAnswer;
            }
            if (message == WM_PAINT) {
                PAINTSTRUCT paint;
                BeginPaint(hwnd, &paint);
                fErase = paint.fErase;
                EndPaint(hwnd, &paint);
                return 0;
            }
            return std::nullopt;
        });
        ClearLog();
        InvalidateRect(window, nullptr, c.erase);
        DispatchWaiting();
        EXPECT_EQ(CountOf(window, WM_ERASEBKGND), c.erased ? 1u : 0u);
        EXPECT_EQ(fErase, c.fErase);
    }
}

TEST_F(PaintTest, ValidationAndUpdateWindow) {
    HWND window = MakeShown(RECT{0, 0, 40, 40});
    ClearLog();
    InvalidateRect(window, nullptr, TRUE);
    ValidateRect(window, nullptr);
    EXPECT_TRUE(DispatchWaiting().empty());

    const RECT band{0, 0, 40, 10};
    InvalidateRect(window, nullptr, FALSE);
    ValidateRect(window, &band);
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
    EXPECT_EQ(update.top, 10) << "a validated band leaves the rest";

    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_EQ(CountOf(window, WM_PAINT), 1u) << "at once, not through the queue";
    EXPECT_TRUE(DispatchWaiting().empty());
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_EQ(CountOf(window, WM_PAINT), 1u) << "nothing to paint";
}

TEST_F(PaintTest, AProcedureThatDoesNotPaintGetsOneWmPaint) {
    HWND window = MakeShown(RECT{0, 0, 40, 40});
    SetAnswer([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return message == WM_PAINT ? std::optional<LRESULT>(0) : std::nullopt;
    });
    ClearLog();
    InvalidateRect(window, nullptr, FALSE);
    EXPECT_EQ(Messages(DispatchWaiting()), std::vector<UINT>{WM_PAINT});
    EXPECT_TRUE(DispatchWaiting().empty());
}

TEST_F(PaintTest, InvalidatingAnotherThreadsWindowWakesThatThread) {
    HWND window = nullptr;
    WindowThread owner([&] { window = MakeShown(RECT{0, 0, 20, 20}); });
    ClearLog();
    InvalidateRect(window, nullptr, FALSE);
    EXPECT_TRUE(WaitUntil([&] { return CountOf(window, WM_PAINT) == 1; }));
    EXPECT_EQ(Log({WM_PAINT})[0].m_threadId, owner.Id());
}

TEST_F(PaintTest, OnlyShownWindowsArePainted) {
    HWND window = MakeWindow(nullptr, WS_POPUP);
    InvalidateRect(window, nullptr, TRUE);
    EXPECT_TRUE(DispatchWaiting().empty());
    ShowWindow(window, SW_SHOWNA);
    EXPECT_EQ(PaintedWindows(DispatchWaiting()), std::vector<HWND>{window}) << "shown whole";
    InvalidateRect(window, nullptr, TRUE);
    ShowWindow(window, SW_HIDE);
    EXPECT_TRUE(PaintedWindows(DispatchWaiting()).empty()) << "hiding drops the invalid area";
}

}  // namespace
}  // namespace ce::user::test

// Modal runs: their result, their end, nesting, the quit rule and the keys every dialog knows.
#include "dialog_test_support.h"

#include <atomic>
#include <thread>

namespace ce::user::test {
namespace {

using DialogModalTest = DialogTest;

constexpr UINT kOpenInner = WM_APP + 1;
constexpr UINT kFromOtherThread = WM_APP + 2;
constexpr UINT kEnd = WM_APP + 3;
constexpr UINT_PTR kTickTimer = 7;

constexpr DialogItem kEditItem[] = {
    {u"EDIT", u"", 1000, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 0, 21, 17, 61, 16},
};

const DialogTemplate kPopup = MakeTemplate(WS_POPUP | WS_VISIBLE, 100, 60, {});

TEST_F(DialogModalTest, TheRunReturnsTheEndDialogValueWithTheOwnerDisabledMeanwhile) {
    HWND owner = MakeWindow(nullptr, WS_POPUP | WS_VISIBLE);
    BOOL ownerEnabledDuringRun = TRUE;
    HWND dialog = nullptr;
    DialogHook hook = [&](HWND window, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            dialog = window;
            PostMessageW(window, kEnd, 0, 0);
        } else if (message == kEnd) {
            ownerEnabledDuringRun = IsWindowEnabled(owner);
            EXPECT_TRUE(IsWindowVisible(window));
            EndDialog(window, 42);
            return TRUE;
        }
        return FALSE;
    };
    EXPECT_EQ(RunDialog(kPopup, owner, hook), 42);
    EXPECT_FALSE(ownerEnabledDuringRun);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(GetActiveWindow(), owner) << "the activation went back to the owner";
}

TEST_F(DialogModalTest, EndDialogDuringInitDialogEndsTheRunBeforeTheDialogIsShown) {
    HWND owner = MakeWindow(nullptr, WS_POPUP | WS_VISIBLE);
    bool everVisible = false;
    DialogHook hook = [&](HWND window, UINT message, WPARAM, LPARAM) -> INT_PTR {
        everVisible = everVisible || IsWindowVisible(window);
        if (message == WM_INITDIALOG) {
            EndDialog(window, 7);
        }
        return FALSE;
    };
    ClearLog();
    EXPECT_EQ(RunDialog(kPopup, owner, hook), 7);
    EXPECT_FALSE(everVisible);
    EXPECT_EQ(CountOf(owner, WM_ENABLE), 0u) << "the owner was never disabled";
}

TEST_F(DialogModalTest, NestedRunsKeepTheOuterTimerAndSentMessagesGoing) {
    HWND inner = nullptr;
    std::thread sender;
    std::atomic<LRESULT> sentResult{0};
    int ticksDuringInner = 0;
    bool sentHandled = false;
    BOOL outerEnabledDuringInner = TRUE;

    auto endInnerWhenDone = [&] {
        if (inner != nullptr && ticksDuringInner >= 2 && sentHandled) {
            EndDialog(inner, 5);
        }
    };
    DialogHook innerHook = [&](HWND window, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            inner = window;
        }
        return FALSE;
    };
    DialogHook outerHook = [&](HWND window, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        switch (message) {
            case WM_INITDIALOG:
                SetTimer(window, kTickTimer, 10, nullptr);
                PostMessageW(window, kOpenInner, 0, 0);
                return TRUE;
            case kOpenInner: {
                // Another thread sends to the outer dialog while the inner one runs.
                sender = std::thread([&sentResult, window] {
                    sentResult = SendMessageW(window, kFromOtherThread, 0, 0);
                });
                const INT_PTR innerResult = RunDialog(kPopup, window, innerHook);
                EndDialog(window, innerResult + 1);
                return TRUE;
            }
            case kFromOtherThread:
                sentHandled = inner != nullptr;
                outerEnabledDuringInner = IsWindowEnabled(window);
                SetWindowLongPtrW(window, DWLP_MSGRESULT, 99);
                endInnerWhenDone();
                return TRUE;
            case WM_TIMER:
                if (wParam == kTickTimer && inner != nullptr && IsWindow(inner)) {
                    ++ticksDuringInner;
                    endInnerWhenDone();
                }
                return TRUE;
            default:
                return FALSE;
        }
    };
    EXPECT_EQ(RunDialog(kPopup, nullptr, outerHook), 6);
    sender.join();
    EXPECT_EQ(sentResult.load(), 99) << "the sender got DWLP_MSGRESULT";
    EXPECT_GE(ticksDuringInner, 2);
    EXPECT_FALSE(outerEnabledDuringInner);
}

TEST_F(DialogModalTest, PostQuitMessageEndsEveryRunAndReachesTheLoopOutside) {
    for (int depth : {1, 2}) {
        HWND inner = nullptr;
        HWND outer = nullptr;
        DialogHook innerHook = [&](HWND window, UINT message, WPARAM, LPARAM) -> INT_PTR {
            if (message == WM_INITDIALOG) {
                inner = window;
                PostQuitMessage(3);
            }
            return FALSE;
        };
        DialogHook outerHook = [&](HWND window, UINT message, WPARAM, LPARAM) -> INT_PTR {
            if (message == WM_INITDIALOG) {
                outer = window;
                if (depth == 1) {
                    PostQuitMessage(3);
                } else {
                    PostMessageW(window, kOpenInner, 0, 0);
                }
            } else if (message == kOpenInner) {
                RunDialog(kPopup, window, innerHook);
            }
            return FALSE;
        };
        EXPECT_EQ(RunDialog(kPopup, nullptr, outerHook), 0) << depth;
        EXPECT_FALSE(IsWindow(outer));
        EXPECT_FALSE(IsWindow(inner));
        MSG message{};
        EXPECT_EQ(GetMessageW(&message, nullptr, 0, 0), FALSE) << depth;
        EXPECT_EQ(message.message, WM_QUIT);
        EXPECT_EQ(message.wParam, 3u);
    }
}

TEST_F(DialogModalTest, EnterAndEscapeBecomeOkAndCancel) {
    const DialogTemplate keypad =
        MakeTemplate(WS_POPUP | DS_SETFONT, 138, 82, kEditItem, u"Tahoma", 18);
    struct Case {
        const char* name;
        bool editFocused;
        UINT key;
        INT_PTR result;
    };
    const Case cases[] = {
        {"Enter in the edit control", true, VK_RETURN, IDOK},
        {"Escape in the edit control", true, VK_ESCAPE, IDCANCEL},
        {"Enter with the focus on the dialog", false, VK_RETURN, IDOK},
        {"Escape with the focus on the dialog", false, VK_ESCAPE, IDCANCEL},
    };
    for (const Case& test : cases) {
        DialogHook hook = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
            if (message == WM_INITDIALOG) {
                HWND target = test.editFocused ? GetDlgItem(dialog, 1000) : dialog;
                PostMessageW(target, WM_KEYDOWN, test.key, 0);
            } else if (message == WM_COMMAND) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        };
        EXPECT_EQ(RunDialog(keypad, nullptr, hook), test.result) << test.name;
    }
}

TEST_F(DialogModalTest, KeysReachTheFocusedEditThroughTheDialog) {
    const DialogTemplate keypad =
        MakeTemplate(WS_POPUP | DS_SETFONT, 138, 82, kEditItem, u"Tahoma", 18);
    std::u16string typed;
    DialogHook hook = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            HWND edit = GetDlgItem(dialog, 1000);
            SetFocus(edit);
            for (char16_t character : std::u16string_view(u"10.1")) {
                PostMessageW(edit, WM_CHAR, character, 0);
            }
            PostMessageW(edit, WM_KEYDOWN, VK_LEFT, 0);
            PostMessageW(edit, WM_CHAR, VK_BACK, 0);
            PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
            return FALSE;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
            WCHAR text[32] = {};
            GetDlgItemTextW(dialog, 1000, text, 32);
            typed = text;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        return FALSE;
    };
    EXPECT_EQ(RunDialog(keypad, nullptr, hook), IDOK);
    EXPECT_EQ(typed, u"101");
}

}  // namespace
}  // namespace ce::user::test

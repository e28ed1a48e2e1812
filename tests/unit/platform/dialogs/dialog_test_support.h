// Helpers of the dialog and control tests: a fresh desktop with a headless screen per test, a
// dialog procedure that runs a test's lambda, and input injected as a user would make it.
#pragma once

#include <functional>
#include <span>

#include "user_test_support.h"

#include "ce/resources.h"
#include "drivers/headless/headless_driver.h"
#include "gdi/surface.h"

namespace ce::user::test {

// What a test's dialog does with a message: TRUE when it handled it.
using DialogHook = std::function<INT_PTR(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)>;

// The dialog procedure behind RunDialog and MakeDialog: it calls the hook given as the creation
// parameter.
INT_PTR CALLBACK HookedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

INT_PTR RunDialog(const DialogTemplate& dialogTemplate, HWND owner, DialogHook& hook);
HWND MakeDialog(const DialogTemplate& dialogTemplate, HWND owner, DialogHook& hook);

DialogTemplate MakeTemplate(DWORD style, short cx, short cy, std::span<const DialogItem> items,
                            LPCWSTR fontFace = nullptr, WORD pointSize = 0);

// Runs a modeless dialog's message loop (IsDialogMessageW first) until the condition holds; false
// when the deadline passes first.
bool PumpDialogUntil(HWND dialog, const std::function<bool()>& condition);

class DialogTest : public UserTest {
protected:
    drivers::HeadlessDriver& Screen();
    void PointerDown(POINT screen);
    void PointerUp(POINT screen);
    void PointerMove(POINT screen);
    void Key(UINT virtualKey, char16_t character);

    // The screen point of a point of a window's client area.
    static POINT OnScreen(HWND window, POINT client);
};

}  // namespace ce::user::test

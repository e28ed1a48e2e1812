#include "dialog_test_support.h"

namespace ce::user::test {

INT_PTR CALLBACK HookedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    }
    auto* hook = reinterpret_cast<DialogHook*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return hook != nullptr && *hook ? (*hook)(dialog, message, wParam, lParam) : FALSE;
}

INT_PTR RunDialog(const DialogTemplate& dialogTemplate, HWND owner, DialogHook& hook) {
    return DialogBoxIndirectParamW(nullptr, &dialogTemplate, owner, &HookedDialogProc,
                                   reinterpret_cast<LPARAM>(&hook));
}

HWND MakeDialog(const DialogTemplate& dialogTemplate, HWND owner, DialogHook& hook) {
    return CreateDialogIndirectParamW(nullptr, &dialogTemplate, owner, &HookedDialogProc,
                                      reinterpret_cast<LPARAM>(&hook));
}

DialogTemplate MakeTemplate(DWORD style, short cx, short cy, std::span<const DialogItem> items,
                            LPCWSTR fontFace, WORD pointSize) {
    return DialogTemplate{style, 0, 0, 0, cx, cy, nullptr, fontFace, pointSize, items};
}

bool PumpDialogUntil(HWND dialog, const std::function<bool()>& condition) {
    return WaitUntil(
        [&] {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (!IsDialogMessageW(dialog, &message)) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
            }
            return condition();
        },
        kDeadline);
}

drivers::HeadlessDriver& DialogTest::Screen() {
    return dynamic_cast<drivers::HeadlessDriver&>(TheDesktop().Driver());
}

void DialogTest::PointerDown(POINT screen) {
    drivers::InputEvent event;
    event.kind = drivers::InputEvent::Kind::kPointerDown;
    event.screen = screen;
    EXPECT_TRUE(Screen().Inject(event));
}

void DialogTest::PointerUp(POINT screen) {
    drivers::InputEvent event;
    event.kind = drivers::InputEvent::Kind::kPointerUp;
    event.screen = screen;
    EXPECT_TRUE(Screen().Inject(event));
}

void DialogTest::PointerMove(POINT screen) {
    drivers::InputEvent event;
    event.kind = drivers::InputEvent::Kind::kPointerMove;
    event.screen = screen;
    EXPECT_TRUE(Screen().Inject(event));
}

void DialogTest::Key(UINT virtualKey, char16_t character) {
    drivers::InputEvent event;
    event.kind = drivers::InputEvent::Kind::kKeyDown;
    event.virtualKey = virtualKey;
    event.character = character;
    EXPECT_TRUE(Screen().Inject(event));
    event.kind = drivers::InputEvent::Kind::kKeyUp;
    event.character = 0;
    EXPECT_TRUE(Screen().Inject(event));
}

POINT DialogTest::OnScreen(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return client;
}

}  // namespace ce::user::test

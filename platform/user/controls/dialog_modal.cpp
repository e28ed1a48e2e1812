#include "user/controls/dialog_modal.h"

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/controls/dialog_create.h"
#include "user/controls/dialog_state.h"

namespace ce::user {

namespace {

bool Ended(HWND dialog) {
    return !IsWindow(dialog) || ReadDialogSlot(dialog, DialogSlot::kEnded) != 0;
}

void RunLoop(HWND dialog) {
    while (!Ended(dialog)) {
        MSG message{};
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) {
            return;
        }
        if (got == FALSE) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

}  // namespace

INT_PTR RunModalDialog(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    bool ownerDisabled = false;
    if (!Ended(dialog)) {
        if (owner != nullptr && IsWindowEnabled(owner)) {
            EnableWindow(owner, FALSE);
            ownerDisabled = true;
        }
        ShowWindow(dialog, SW_SHOWNORMAL);
        RunLoop(dialog);
    }
    const INT_PTR result = IsWindow(dialog) ? ReadDialogSlot(dialog, DialogSlot::kResult) : 0;
    // The owner is enabled first so that it can take the activation from the dialog.
    if (ownerDisabled) {
        EnableWindow(owner, TRUE);
    }
    if (IsWindow(dialog)) {
        DestroyWindow(dialog);
    }
    return result;
}

}  // namespace ce::user

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND owner,
                                DLGPROC procedure, LPARAM parameter) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<INT_PTR>(-1, [&]() -> INT_PTR {
        if (dialogTemplate == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return -1;
        }
        HWND dialog =
            CreateDialogFromTemplate(instance, *dialogTemplate, owner, procedure, parameter, true);
        return dialog == nullptr ? -1 : RunModalDialog(dialog);
    });
}

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM parameter) {
    return DialogBoxIndirectParamW(instance, ce::user::FindDialogTemplate(templateName), owner,
                                   procedure, parameter);
}

// The run notices the end after the message that called EndDialog; the posted WM_NULL wakes it
// when that message came from another thread, while the run was waiting.
BOOL EndDialog(HWND dialog, INT_PTR result) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        if (!IsDialogWindow(dialog)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        WriteDialogSlot(dialog, DialogSlot::kResult, result);
        WriteDialogSlot(dialog, DialogSlot::kEnded, 1);
        PostMessageW(dialog, WM_NULL, 0, 0);
        return TRUE;
    });
}

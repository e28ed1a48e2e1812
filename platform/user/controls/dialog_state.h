// What the dialog manager keeps for each dialog window, in the window's extra bytes after the
// three slots programs reach (DWLP_MSGRESULT, DWLP_DLGPROC, DWLP_USER). Only plain values live
// there, so a dialog that goes away without its messages leaves nothing behind.
#pragma once

#include "winuser.h"

namespace ce::user {

enum class DialogSlot : int {
    kFont = 24,       // the font from WM_SETFONT, which the controls got as well
    kOwnedFont = 32,  // the font made from the template, deleted with the dialog
    kBaseUnits = 40,  // horizontal and vertical base units in the low and high 16 bits
    kEnded = 48,      // nonzero once EndDialog was called
    kResult = 56,     // the value given to EndDialog
    kFocus = 64,      // the control to give the focus back to when the dialog is activated
};
inline constexpr int kDialogExtraBytes = 72;

inline constexpr WCHAR kDialogClassName[] = u"#32770";
// The message box is a dialog of a class of its own, which draws its icon and text.
inline constexpr WCHAR kMessageBoxClassName[] = u"MessageBox";

LONG_PTR ReadDialogSlot(HWND dialog, DialogSlot slot);
void WriteDialogSlot(HWND dialog, DialogSlot slot, LONG_PTR value);

// A window of the dialog class or of the message box class, which shares its bookkeeping.
bool IsDialogWindow(HWND window);

}  // namespace ce::user

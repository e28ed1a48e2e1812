// The modal run shared by dialog boxes and message boxes.
#pragma once

#include "winuser.h"

namespace ce::user {

// Runs a dialog created hidden: unless EndDialog came already, disables its owner, shows it and
// handles the thread's messages until EndDialog (or WM_QUIT, which is posted again for the loop
// outside). Then enables the owner, destroys the dialog and returns the EndDialog value (0 when
// the dialog was destroyed without one).
INT_PTR RunModalDialog(HWND dialog);

}  // namespace ce::user

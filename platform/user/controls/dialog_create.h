// Making a dialog window and its controls from a template.
#pragma once

#include "ce/resources.h"
#include "winuser.h"

namespace ce::user {

// The program's dialog template with that number; null for anything else.
const DialogTemplate* FindDialogTemplate(LPCWSTR name);

// Creates the dialog hidden, with its font and controls, and runs WM_INITDIALOG. A modeless
// dialog is then shown when the template asks for WS_VISIBLE; a modal one is left to its run.
// Null when the dialog or one of its controls cannot be made, or WM_INITDIALOG destroyed it.
HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& dialogTemplate, HWND owner,
                              DLGPROC procedure, LPARAM parameter, bool modal);

}  // namespace ce::user

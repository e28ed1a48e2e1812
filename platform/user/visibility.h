// Showing and hiding windows.
#pragma once

#include "windef.h"

namespace ce::user {

class Desktop;

enum class ShowMessage { kSend, kSkip };

// Shows or hides the window. A shown window is invalidated whole; a hidden child leaves its area
// of the parent invalid; a hidden top-level window that was active passes the activation on. A
// top-level window shown with activate becomes active (also when it was shown already). Returns
// whether it was visible before.
bool ChangeVisibility(Desktop& desktop, HWND window, bool show, bool activate, ShowMessage message);

}  // namespace ce::user

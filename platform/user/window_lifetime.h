// How windows end: DestroyWindow on the owner thread, or the end of the owner thread.
#pragma once

#include "winuser.h"

namespace ce::user {

class Desktop;

// On the owner thread: destroys the windows it owns (of the same thread), then sends WM_DESTROY
// to the window and its descendants (parent first) and WM_NCDESTROY (children first), and frees
// the handles. Safe to call again for a window already being destroyed: it does nothing then.
void DestroyWindowTree(Desktop& desktop, HWND window);

// A window whose WM_NCCREATE failed never came to be: it gets WM_NCDESTROY only.
void DestroyUnbornWindow(Desktop& desktop, HWND window);

// The thread has ended: its windows and their descendants go without a message, because nothing
// of the thread (its stack objects, its thread-local state) can be relied on to run their
// procedures any more. Senders waiting on them are released with 0.
void RemoveWindowsOfThread(Desktop& desktop, DWORD threadId);

}  // namespace ce::user

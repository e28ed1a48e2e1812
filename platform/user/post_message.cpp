#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/desktop.h"
#include "user/message_queue.h"

namespace ce::user {

namespace {

MSG MakePosted(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG posted{};
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    posted.time = GetTickCount();
    return posted;
}

BOOL PostToThread(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    auto desktop = CurrentDesktop();
    auto queue =
        threadId == GetCurrentThreadId() ? desktop->CurrentQueue() : desktop->QueueOf(threadId);
    if (!queue || !queue->Post(MakePosted(nullptr, message, wParam, lParam))) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return TRUE;
}

}  // namespace

}  // namespace ce::user

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        if (window == nullptr) {
            return PostToThread(GetCurrentThreadId(), message, wParam, lParam);
        }
        auto record = CurrentDesktop()->Windows().Find(window);
        if (!record || !record->m_queue->Post(MakePosted(window, message, wParam, lParam))) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        return TRUE;
    });
}

BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(
        FALSE, [&] { return PostToThread(threadId, message, wParam, lParam); });
}

void PostQuitMessage(int exitCode) {
    using namespace ce::user;
    ce::kernel::GuardedCall<int>(0, [&] {
        CurrentDesktop()->CurrentQueue()->PostQuit(exitCode);
        return 0;
    });
}

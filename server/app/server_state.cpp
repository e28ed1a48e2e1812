#include "app/server_state.h"

#include <cstring>

HWND g_mainWindow = nullptr;
WCHAR g_viewerLabel[kViewerLabelCapacity] = {};
signed char g_orientationCode = 0;

namespace {

// Made on first use, by the accept thread's first store or the window's first status, whichever
// comes first: a function-local static is made exactly once, in place.
CRITICAL_SECTION& ViewerLabelLock() {
    struct Lock {
        Lock() { InitializeCriticalSection(&section); }
        CRITICAL_SECTION section;
    };
    static Lock lock;
    return lock.section;
}

}  // namespace

void StoreViewerLabel(LPCWSTR label) {
    EnterCriticalSection(&ViewerLabelLock());
    std::memset(g_viewerLabel, 0, sizeof g_viewerLabel);
    for (int i = 0; i < kViewerLabelCapacity - 1 && label[i] != 0; ++i) {
        g_viewerLabel[i] = label[i];
    }
    LeaveCriticalSection(&ViewerLabelLock());
}

void CopyViewerLabel(WCHAR (&copy)[kViewerLabelCapacity]) {
    EnterCriticalSection(&ViewerLabelLock());
    std::memcpy(copy, g_viewerLabel, sizeof copy);
    LeaveCriticalSection(&ViewerLabelLock());
}

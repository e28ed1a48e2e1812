#include "user/controls/message_box_window.h"

namespace ce::user {

namespace {

const MessageBoxContent* ContentOf(HWND window) {
    return reinterpret_cast<const MessageBoxContent*>(GetWindowLongPtrW(window, DWLP_USER));
}

void PaintMessageBox(HWND window) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    if (dc == nullptr) {
        return;
    }
    if (const MessageBoxContent* content = ContentOf(window); content != nullptr) {
        if (content->m_icon != nullptr) {
            DrawIcon(dc, content->m_layout.icon.left, content->m_layout.icon.top, content->m_icon);
        }
    }
    EndPaint(window, &paint);
}

}  // namespace

// Escape asks for IDCANCEL; a box with only OK answers that with IDOK.
LRESULT CALLBACK MessageBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            PaintMessageBox(window);
            return 0;
        case WM_COMMAND: {
            const MessageBoxContent* content = ContentOf(window);
            const int id = LOWORD(wParam);
            if (id == IDOK || id == IDCANCEL) {
                const bool cancel = id == IDCANCEL && content != nullptr && content->m_hasCancel;
                EndDialog(window, cancel ? IDCANCEL : IDOK);
            }
            return 0;
        }
        default:
            return DefDlgProcW(window, message, wParam, lParam);
    }
}

}  // namespace ce::user

// The record of one window.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "winuser.h"

#include "gdi/surface.h"
#include "user/window_class.h"

namespace ce::user {

class MessageQueue;

// Fields above the line never change after creation and may be read without a lock by whoever
// holds the record. Fields below it change while the window lives and are read and written under
// the window table's lock only (WindowTable::With), never while a window procedure runs.
struct Window {
    HWND m_handle = nullptr;
    std::shared_ptr<const WindowClass> m_class;
    DWORD m_threadId = 0;
    // The owner thread's queue: messages for the window go there, and its timers live there.
    std::shared_ptr<MessageQueue> m_queue;

    // ---- guarded by the window table's lock ----
    // The parent of a child window (WS_CHILD) or the owner of a top-level one; never both.
    HWND m_parent = nullptr;
    HWND m_owner = nullptr;
    // Children in Z order, top first. A new child goes to the bottom, so that creation order is
    // also the order the dialog manager tabs through.
    std::vector<HWND> m_children;
    DWORD m_style = 0;
    DWORD m_exStyle = 0;
    // In the parent's client coordinates (the screen's for a top-level window). The client
    // rectangle is what the non-client area (frame, caption) leaves of it.
    RECT m_rect{};
    LONG_PTR m_id = 0;
    LONG_PTR m_userData = 0;
    WNDPROC m_procedure = nullptr;
    std::u16string m_text;
    // The class's cbWndExtra bytes, reached with non-negative GetWindowLongPtrW indexes.
    std::vector<std::byte> m_extraBytes;
    // Set when DestroyWindow starts on the window: a second DestroyWindow finds it already going.
    bool m_destroying = false;

    // The pixels of a top-level window and its children, the size of m_rect; null for a child.
    std::shared_ptr<gdi::Surface> m_surface;
    // The invalid part of the client area as one bounding rectangle (client coordinates); empty
    // when the window needs no WM_PAINT. Only visible windows have one. Changed through
    // SetUpdateRect, which keeps the owner queue's count of windows to paint.
    RECT m_update{};
    bool m_erasePending = false;
    // The frame and caption must be drawn again before the next paint.
    bool m_frameDirty = false;
    // Counts BeginPaint calls, so that dispatching WM_PAINT can tell whether the procedure painted.
    unsigned m_paints = 0;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
};

// Under the window table's lock: replaces the window's invalid rectangle.
void SetUpdateRect(Window& window, const RECT& update);

}  // namespace ce::user

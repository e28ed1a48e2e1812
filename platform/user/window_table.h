// The window table: handles with generations, the window tree and the Z order.
//
// A handle is a slot index in bits 1 to 16 and the slot's generation in bits 17 to 31; bit 0 is
// always clear, as the device's SetForegroundWindow uses it as a flag. A slot changes generation
// each time it is reused, and freed slots are reused oldest first, so a stale handle names no
// window rather than a newer one.
//
// Top-level windows are stacked top first, the topmost band (WS_EX_TOPMOST) above the others; a
// new one goes to the top of its band. Children are stacked in their parent's list.
//
// Lock order: a thread may take this table's lock while holding a queue's lock, never the
// reverse. Nothing runs under it but bookkeeping: no window procedure, no queue operation.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "winuser.h"

#include "user/window.h"

namespace ce::user {

class WindowTable {
public:
    // The table seen under its lock, for work that looks at several windows at once.
    class View {
    public:
        Window* Find(HWND handle) const { return m_table->FindLocked(handle); }
        // Top-level windows, top first.
        std::vector<HWND>& TopLevel() const { return m_table->m_topLevel; }
        // The list a window is stacked in: its parent's children, or the top-level windows.
        std::vector<HWND>& SiblingsOf(const Window& window) const;

    private:
        friend class WindowTable;
        explicit View(WindowTable& table) : m_table(&table) {}
        WindowTable* m_table;
    };

    // Runs fn(View) under the table's lock.
    template <class Fn>
    decltype(auto) Locked(Fn&& fn) {
        std::lock_guard lock(m_mutex);
        return fn(View(*this));
    }

    // Gives the window a handle and links it under its parent (at the bottom of the Z order).
    // Null when every handle is in use or the parent is gone.
    HWND Insert(const std::shared_ptr<Window>& window);
    // Unlinks the window from its parent and its owned windows and frees its handle. Children
    // still linked (made while it was being destroyed) are removed with it and returned, so the
    // caller can clean up after them too.
    std::vector<std::shared_ptr<Window>> Remove(HWND handle);

    // The window a handle names, or null when the handle is stale or was never given.
    std::shared_ptr<Window> Find(HWND handle) const;

    // Runs fn on the window under the table's lock. False when the handle names no window.
    template <class Fn>
    bool With(HWND handle, Fn&& fn) const {
        std::lock_guard lock(m_mutex);
        Window* window = FindLocked(handle);
        if (window == nullptr) {
            return false;
        }
        fn(*window);
        return true;
    }

    std::vector<HWND> ChildrenOf(HWND handle) const;
    std::vector<HWND> OwnedBy(HWND handle) const;
    std::vector<HWND> WindowsOfThread(DWORD threadId) const;
    // The top-level window a window belongs to (the window itself when it is top-level).
    HWND RootOf(HWND handle) const;
    // The window itself or one of its descendants.
    bool IsSelfOrDescendant(HWND ancestor, HWND candidate) const;
    bool AnyOfClass(const WindowClass& windowClass) const;
    std::vector<HWND> TopLevel() const;
    // The first window of the thread, within the given window (anywhere when null), that has an
    // invalid area: parents before children, top-level windows in Z order. Null when none has.
    HWND NextToPaint(DWORD threadId, HWND within) const;

private:
    static constexpr std::uint32_t kMaxSlots = 0xFFFF;

    struct Slot {
        std::uint16_t m_generation = 0;
        std::shared_ptr<Window> m_window;
    };

    Window* FindLocked(HWND handle) const;
    void RemoveLocked(HWND handle, std::vector<std::shared_ptr<Window>>& removed);
    HWND NextToPaintLocked(HWND window, DWORD threadId) const;

    mutable std::mutex m_mutex;
    // Slot 0 is never used, so that no handle is null.
    std::vector<Slot> m_slots{Slot{}};
    std::deque<std::uint16_t> m_freeSlots;
    std::vector<HWND> m_topLevel;
};

}  // namespace ce::user

// The window table: handles with generations, and the window tree.
//
// A handle is a slot index in its low 16 bits and the slot's generation in the next 16. A slot
// changes generation each time it is reused, and freed slots are reused oldest first, so a stale
// handle names no window rather than a newer one.
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

private:
    static constexpr std::uint32_t kMaxSlots = 0xFFFF;

    struct Slot {
        std::uint16_t m_generation = 0;
        std::shared_ptr<Window> m_window;
    };

    Window* FindLocked(HWND handle) const;
    void RemoveLocked(HWND handle, std::vector<std::shared_ptr<Window>>& removed);

    mutable std::mutex m_mutex;
    // Slot 0 is never used, so that no handle is null.
    std::vector<Slot> m_slots{Slot{}};
    std::deque<std::uint16_t> m_freeSlots;
};

}  // namespace ce::user

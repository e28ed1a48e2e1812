#include "user/window_table.h"

#include <algorithm>

#include "gdi/rect_math.h"
#include "user/foreign_window.h"

namespace ce::user {

namespace {

// Generations sit at bit 17 and up, below the tag of foreign window handles (bit 30 with 32-bit
// handles, which leaves them 13 bits).
constexpr std::uint16_t kMaxGeneration =
    static_cast<std::uint16_t>(std::min<std::uintptr_t>(0x7FFF, (kForeignWindowTag >> 17) - 1));

HWND MakeHandle(std::uint16_t index, std::uint16_t generation) {
    const auto value =
        (static_cast<std::uintptr_t>(generation) << 17) | (static_cast<std::uintptr_t>(index) << 1);
    return reinterpret_cast<HWND>(value);
}

std::uint16_t IndexOf(HWND handle) {
    return static_cast<std::uint16_t>((reinterpret_cast<std::uintptr_t>(handle) >> 1) & 0xFFFF);
}

std::uint16_t GenerationOf(HWND handle) {
    return static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(handle) >> 17);
}

bool FitsInHandle(HWND handle) {
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    return value <= 0xFFFFFFFFu && (value & 1) == 0;
}

bool IsTopmost(const Window* window) {
    return window != nullptr && (window->m_exStyle & WS_EX_TOPMOST) != 0;
}

void Unlink(std::vector<HWND>& list, HWND handle) {
    std::erase(list, handle);
}

}  // namespace

HWND WindowTable::Insert(const std::shared_ptr<Window>& window) {
    std::lock_guard lock(m_mutex);
    // Everything that can fail comes first, so that a failure leaves the table as it was.
    if (m_freeSlots.empty()) {
        if (m_slots.size() > kMaxSlots) {
            return nullptr;
        }
        m_slots.emplace_back();
        m_freeSlots.push_back(static_cast<std::uint16_t>(m_slots.size() - 1));
    }
    Window* parent = FindLocked(window->m_parent);
    if (window->m_parent != nullptr && parent == nullptr) {
        return nullptr;
    }
    if (parent != nullptr) {
        parent->m_children.reserve(parent->m_children.size() + 1);
    } else {
        m_topLevel.reserve(m_topLevel.size() + 1);
    }
    if (FindLocked(window->m_owner) == nullptr) {
        window->m_owner = nullptr;
    }
    const std::uint16_t index = m_freeSlots.front();
    m_freeSlots.pop_front();
    Slot& slot = m_slots[index];
    // Generation 0 never appears, so no handle is a small integer that could pass for an atom.
    slot.m_generation =
        static_cast<std::uint16_t>(slot.m_generation == kMaxGeneration ? 1 : slot.m_generation + 1);
    slot.m_window = window;
    window->m_handle = MakeHandle(index, slot.m_generation);
    if (parent != nullptr) {
        parent->m_children.push_back(window->m_handle);
    } else {
        // On top of its band: above every window, or below the topmost ones.
        auto place = m_topLevel.begin();
        if (!IsTopmost(window.get())) {
            place = std::find_if(m_topLevel.begin(), m_topLevel.end(),
                                 [this](HWND other) { return !IsTopmost(FindLocked(other)); });
        }
        m_topLevel.insert(place, window->m_handle);
    }
    return window->m_handle;
}

std::vector<std::shared_ptr<Window>> WindowTable::Remove(HWND handle) {
    std::vector<std::shared_ptr<Window>> removed;
    std::lock_guard lock(m_mutex);
    RemoveLocked(handle, removed);
    return removed;
}

void WindowTable::RemoveLocked(HWND handle, std::vector<std::shared_ptr<Window>>& removed) {
    Window* window = FindLocked(handle);
    if (window == nullptr) {
        return;
    }
    for (HWND child : std::vector<HWND>(window->m_children)) {
        RemoveLocked(child, removed);
    }
    if (Window* parent = FindLocked(window->m_parent)) {
        Unlink(parent->m_children, handle);
    } else {
        Unlink(m_topLevel, handle);
    }
    SetUpdateRect(*window, RECT{});
    for (Slot& slot : m_slots) {
        if (slot.m_window && slot.m_window->m_owner == handle) {
            slot.m_window->m_owner = nullptr;
        }
    }
    const std::uint16_t index = IndexOf(handle);
    removed.push_back(std::move(m_slots[index].m_window));
    m_freeSlots.push_back(index);
}

std::shared_ptr<Window> WindowTable::Find(HWND handle) const {
    std::lock_guard lock(m_mutex);
    Window* window = FindLocked(handle);
    return window == nullptr ? nullptr : m_slots[IndexOf(handle)].m_window;
}

Window* WindowTable::FindLocked(HWND handle) const {
    if (handle == nullptr || !FitsInHandle(handle)) {
        return nullptr;
    }
    const std::uint16_t index = IndexOf(handle);
    if (index == 0 || index >= m_slots.size()) {
        return nullptr;
    }
    const Slot& slot = m_slots[index];
    if (!slot.m_window || slot.m_generation != GenerationOf(handle)) {
        return nullptr;
    }
    return slot.m_window.get();
}

std::vector<HWND> WindowTable::ChildrenOf(HWND handle) const {
    std::lock_guard lock(m_mutex);
    Window* window = FindLocked(handle);
    return window == nullptr ? std::vector<HWND>{} : window->m_children;
}

std::vector<HWND> WindowTable::OwnedBy(HWND handle) const {
    std::vector<HWND> owned;
    std::lock_guard lock(m_mutex);
    for (const Slot& slot : m_slots) {
        if (slot.m_window && slot.m_window->m_owner == handle) {
            owned.push_back(slot.m_window->m_handle);
        }
    }
    return owned;
}

std::vector<HWND> WindowTable::WindowsOfThread(DWORD threadId) const {
    std::vector<HWND> windows;
    std::lock_guard lock(m_mutex);
    for (const Slot& slot : m_slots) {
        if (slot.m_window && slot.m_window->m_threadId == threadId) {
            windows.push_back(slot.m_window->m_handle);
        }
    }
    return windows;
}

HWND WindowTable::RootOf(HWND handle) const {
    std::lock_guard lock(m_mutex);
    Window* window = FindLocked(handle);
    while (window != nullptr && window->m_parent != nullptr) {
        window = FindLocked(window->m_parent);
    }
    return window == nullptr ? nullptr : window->m_handle;
}

bool WindowTable::IsSelfOrDescendant(HWND ancestor, HWND candidate) const {
    std::lock_guard lock(m_mutex);
    for (Window* window = FindLocked(candidate); window != nullptr;
         window = FindLocked(window->m_parent)) {
        if (window->m_handle == ancestor) {
            return true;
        }
    }
    return false;
}

std::vector<HWND> WindowTable::TopLevel() const {
    std::lock_guard lock(m_mutex);
    return m_topLevel;
}

HWND WindowTable::NextToPaint(DWORD threadId, HWND within) const {
    std::lock_guard lock(m_mutex);
    if (within != nullptr) {
        return NextToPaintLocked(within, threadId);
    }
    for (HWND window : m_topLevel) {
        if (HWND found = NextToPaintLocked(window, threadId)) {
            return found;
        }
    }
    return nullptr;
}

HWND WindowTable::NextToPaintLocked(HWND handle, DWORD threadId) const {
    const Window* window = FindLocked(handle);
    if (window == nullptr) {
        return nullptr;
    }
    if (window->m_threadId == threadId && !IsEmpty(window->m_update)) {
        return handle;
    }
    for (HWND child : window->m_children) {
        if (HWND found = NextToPaintLocked(child, threadId)) {
            return found;
        }
    }
    return nullptr;
}

std::vector<HWND>& WindowTable::View::SiblingsOf(const Window& window) const {
    Window* parent = Find(window.m_parent);
    return parent == nullptr ? m_table->m_topLevel : parent->m_children;
}

bool WindowTable::AnyOfClass(const WindowClass& windowClass) const {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_slots.begin(), m_slots.end(), [&](const Slot& slot) {
        return slot.m_window && slot.m_window->m_class.get() == &windowClass;
    });
}

}  // namespace ce::user

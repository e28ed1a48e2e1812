// Wrappers that FromHandle makes for handles no object holds. Each thread keeps its own; a
// wrapper lives until its handle is gone (checked whenever a new wrapper is made) or the thread
// ends, and never releases the handle it wraps.
#pragma once

#include <memory>
#include <unordered_map>

namespace ce::mfc {

template <class Wrapper, class Handle>
class TemporaryMap {
public:
    using Alive = bool (*)(Handle handle);

    TemporaryMap(Handle Wrapper::*slot, Alive alive) : m_slot(slot), m_alive(alive) {}
    ~TemporaryMap() {
        for (auto& entry : m_wrappers) {
            Release(*entry.second);
        }
    }
    TemporaryMap(const TemporaryMap&) = delete;
    TemporaryMap& operator=(const TemporaryMap&) = delete;

    Wrapper* Get(Handle handle) {
        if (auto found = m_wrappers.find(handle); found != m_wrappers.end()) {
            return found->second.get();
        }
        std::erase_if(m_wrappers, [this](auto& entry) {
            if (m_alive(entry.first)) {
                return false;
            }
            Release(*entry.second);
            return true;
        });
        auto wrapper = std::make_unique<Wrapper>();
        (*wrapper).*m_slot = handle;
        return m_wrappers.emplace(handle, std::move(wrapper)).first->second.get();
    }

private:
    void Release(Wrapper& wrapper) const { wrapper.*m_slot = Handle{}; }

    Handle Wrapper::*m_slot;
    Alive m_alive;
    std::unordered_map<Handle, std::unique_ptr<Wrapper>> m_wrappers;
};

}  // namespace ce::mfc

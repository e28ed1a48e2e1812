// The process-wide table behind GDI handles. Handle values are never reused, so the handle of a
// deleted object stays invalid for good. Objects are shared: a drawing call in progress keeps the
// objects it uses alive even if another thread deletes their handles meanwhile.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "gdi/gdi_object.h"

namespace ce::gdi {

class ObjectTable {
public:
    enum class DeleteResult { kDeleted, kKept, kSelected, kUnknown };

    // Stores the object under a new handle and returns it.
    HGDIOBJ Add(std::shared_ptr<GdiObject> object, bool permanent = false);

    std::shared_ptr<GdiObject> Find(HGDIOBJ handle) const;
    template <class Object>
    std::shared_ptr<Object> FindAs(HGDIOBJ handle) const {
        return std::dynamic_pointer_cast<Object>(Find(handle));
    }

    // The lock that guards the table and the selection counts; the calls below take it as proof.
    using Lock = std::unique_lock<std::mutex>;
    Lock Acquire() const { return Lock(m_mutex); }

    // Forgets the object unless it is permanent or selected; *removed receives it, so that the
    // caller ends its life outside the lock.
    DeleteResult Remove(const Lock& lock, HGDIOBJ handle, ObjectKind kind,
                        std::shared_ptr<GdiObject>* removed);
    // Whether the object still has its handle.
    bool Contains(const Lock& lock, const GdiObject& object) const;
    static void CountSelection(const Lock& lock, GdiObject* object, int change);

private:
    mutable std::mutex m_mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<GdiObject>> m_objects;
    std::uintptr_t m_nextValue = 0x10000;
};

// The process's table; never destroyed, so threads may draw until the very end.
ObjectTable& Objects();

}  // namespace ce::gdi

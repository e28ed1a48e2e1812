#include "gdi/object_table.h"

namespace ce::gdi {

HGDIOBJ ObjectTable::Add(std::shared_ptr<GdiObject> object, bool permanent) {
    std::lock_guard lock(m_mutex);
    // Steps of four keep the values looking like the device's aligned handles.
    const std::uintptr_t value = m_nextValue;
    m_nextValue += 4;
    object->m_handle = reinterpret_cast<HGDIOBJ>(value);
    object->m_permanent = permanent;
    m_objects.emplace(value, std::move(object));
    return reinterpret_cast<HGDIOBJ>(value);
}

std::shared_ptr<GdiObject> ObjectTable::Find(HGDIOBJ handle) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == m_objects.end() ? nullptr : found->second;
}

ObjectTable::DeleteResult ObjectTable::Remove(const Lock& /*lock*/, HGDIOBJ handle, ObjectKind kind,
                                              std::shared_ptr<GdiObject>* removed) {
    const auto found = m_objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == m_objects.end() || found->second->Kind() != kind) {
        return DeleteResult::kUnknown;
    }
    if (found->second->m_permanent) {
        return DeleteResult::kKept;
    }
    if (found->second->m_selections > 0) {
        return DeleteResult::kSelected;
    }
    *removed = std::move(found->second);
    m_objects.erase(found);
    return DeleteResult::kDeleted;
}

bool ObjectTable::Contains(const Lock& /*lock*/, const GdiObject& object) const {
    return m_objects.contains(reinterpret_cast<std::uintptr_t>(object.m_handle));
}

void ObjectTable::CountSelection(const Lock& /*lock*/, GdiObject* object, int change) {
    if (object != nullptr) {
        object->m_selections += change;
    }
}

ObjectTable& Objects() {
    static auto* const table = new ObjectTable;
    return *table;
}

}  // namespace ce::gdi

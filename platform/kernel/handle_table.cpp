#include "kernel/handle_table.h"

#include "kernel/api_boundary.h"

namespace ce::kernel {

namespace {

// Handle values step by four like the device's, which keeps them clear of null and of -1.
constexpr std::uintptr_t kHandleStep = 4;

}  // namespace

HANDLE HandleTable::Add(std::shared_ptr<KernelObject> object) {
    std::lock_guard lock(m_mutex);
    const std::uintptr_t value = m_nextValue;
    m_objects.emplace(value, std::move(object));
    m_nextValue += kHandleStep;
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> HandleTable::Find(HANDLE handle) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == m_objects.end() ? nullptr : found->second;
}

std::shared_ptr<KernelObject> HandleTable::Remove(HANDLE handle) {
    std::lock_guard lock(m_mutex);
    const auto found = m_objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == m_objects.end()) {
        return nullptr;
    }
    auto object = std::move(found->second);
    m_objects.erase(found);
    return object;
}

HandleTable& Handles() {
    static HandleTable* const table = new HandleTable;
    return *table;
}

}  // namespace ce::kernel

BOOL CloseHandle(HANDLE handle) {
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&] {
        auto object = ce::kernel::Handles().Remove(handle);
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        object.reset();  // outside the table's lock: closing a file may take a while
        return TRUE;
    });
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return ce::kernel::GuardedCall<DWORD>(WAIT_FAILED, [&] {
        const auto object = ce::kernel::Handles().Find(handle);
        auto* waitable = dynamic_cast<ce::kernel::Waitable*>(object.get());
        if (waitable == nullptr) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        return waitable->Wait(milliseconds);
    });
}

// The process-wide table behind HANDLE values: every kernel object of the layer (threads, open
// files, searches, and kinds added later) lives here while a handle names it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "winbase.h"

namespace ce::kernel {

// Base of every object a HANDLE can name. Objects are shared: an operation in progress keeps its
// object alive even when another thread closes the handle meanwhile.
class KernelObject {
public:
    virtual ~KernelObject() = default;
};

// Objects that WaitForSingleObject can wait on implement this as well.
class Waitable {
public:
    virtual ~Waitable() = default;
    // Returns WAIT_OBJECT_0 or WAIT_TIMEOUT; `milliseconds` may be INFINITE.
    virtual DWORD Wait(DWORD milliseconds) = 0;
};

class HandleTable {
public:
    // Stores the object under a new handle value. Values are never reused while the process
    // lives, so that a stale handle cannot name a later object.
    HANDLE Add(std::shared_ptr<KernelObject> object);

    // The object a handle names, or null for an unknown, closed, null or INVALID_HANDLE_VALUE.
    std::shared_ptr<KernelObject> Find(HANDLE handle) const;

    template <class Object>
    std::shared_ptr<Object> FindAs(HANDLE handle) const {
        return std::dynamic_pointer_cast<Object>(Find(handle));
    }

    // Forgets the handle and hands back its object (null when unknown), so that the caller ends
    // the object's life outside the table's lock.
    std::shared_ptr<KernelObject> Remove(HANDLE handle);

private:
    mutable std::mutex m_mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> m_objects;
    std::uintptr_t m_nextValue = 0x100;
};

// The process's table. It is never destroyed, so detached threads may use it until the very end.
HandleTable& Handles();

// Looks a handle up as the given kind; sets ERROR_INVALID_HANDLE when it names no such object.
template <class Object>
std::shared_ptr<Object> FindHandleOrFail(HANDLE handle) {
    auto object = Handles().FindAs<Object>(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return object;
}

}  // namespace ce::kernel

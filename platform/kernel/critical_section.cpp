// Critical sections hold a recursive mutex in their own storage: no allocation, no handle.
#include <new>

#include "winbase.h"

namespace {

std::recursive_mutex& MutexOf(LPCRITICAL_SECTION section) {
    // The storage is aligned for the mutex; going through void* says so to -Wcast-align.
    return *std::launder(static_cast<std::recursive_mutex*>(static_cast<void*>(section->storage)));
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
    new (section->storage) std::recursive_mutex;
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
    MutexOf(section).~recursive_mutex();
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
    MutexOf(section).lock();
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
    MutexOf(section).unlock();
}

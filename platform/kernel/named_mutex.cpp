// Mutexes, named ones shared between processes through file locks.
//
// Every process that holds a handle to a name holds a shared flock on the name's file in the
// named objects directory, so the kernel frees the name when the last holder closes it or dies.
// A creator learns whether it is first by trying for an exclusive lock on that file; that test
// and the change to a shared lock happen under an exclusive lock on the directory itself, so two
// processes starting at once cannot both find themselves first (and no one ever meets the
// exclusive lock of the test). Handles of one process share one object per name.
//
// Ownership is kept within the process: the creating thread owns a new mutex when it asks to,
// and ReleaseMutex gives it up. Waiting on a mutex is not offered.
#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "kernel/handle_table.h"
#include "kernel/last_error.h"
#include "kernel/named_objects.h"
#include "kernel/unique_fd.h"

namespace ce::kernel {

namespace {

class MutexObject final : public KernelObject {
public:
    explicit MutexObject(UniqueFd nameLock) : m_nameLock(std::move(nameLock)) {}

    void TakeOwnership() {
        std::lock_guard lock(m_mutex);
        m_owner = GetCurrentThreadId();
        m_count = 1;
    }

    bool Release() {
        std::lock_guard lock(m_mutex);
        if (m_count == 0 || m_owner != GetCurrentThreadId()) {
            return false;
        }
        if (--m_count == 0) {
            m_owner = 0;
        }
        return true;
    }

private:
    // Holds the shared lock that keeps the name taken; none for an unnamed mutex.
    UniqueFd m_nameLock;
    std::mutex m_mutex;
    DWORD m_owner = 0;
    unsigned m_count = 0;
};

int LockRetrying(int fd, int operation) {
    int result = 0;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

// Takes a shared lock on the name's file; *first tells whether no process held one before.
// Invalid with errno set when the directory or file cannot be used.
UniqueFd LockName(const std::string& directory, const std::string& path, bool* first) {
    if (!EnsureDirectory(directory)) {
        return UniqueFd();
    }
    UniqueFd guard(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!guard.IsValid() || LockRetrying(guard.Get(), LOCK_EX) != 0) {
        return UniqueFd();
    }
    UniqueFd file(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!file.IsValid()) {
        return UniqueFd();
    }
    *first = LockRetrying(file.Get(), LOCK_EX | LOCK_NB) == 0;
    if (LockRetrying(file.Get(), LOCK_SH) != 0) {
        return UniqueFd();
    }
    return file;
}

// The process's named mutexes by file path; an entry lives as long as a handle to it.
std::mutex g_namesMutex;
std::map<std::string, std::weak_ptr<MutexObject>>& Names() {
    static auto* const names = new std::map<std::string, std::weak_ptr<MutexObject>>;
    return *names;
}

// The mutex of a name and whether it existed before; null with the last error set on failure.
std::shared_ptr<MutexObject> OpenNamed(std::u16string_view name, bool* existed) {
    const std::string directory = NamedObjectsDirectory(ObjectsEnvironmentOfProcess());
    const std::string path = directory + "/" + FileNameOf("mutex-", name);
    std::lock_guard lock(g_namesMutex);
    auto& entry = Names()[path];
    if (auto open = entry.lock()) {
        *existed = true;
        return open;
    }
    bool first = false;
    UniqueFd nameLock = LockName(directory, path, &first);
    if (!nameLock.IsValid()) {
        SetLastErrorFromErrno(errno);
        Names().erase(path);
        return nullptr;
    }
    auto created = std::make_shared<MutexObject>(std::move(nameLock));
    entry = created;
    *existed = !first;
    return created;
}

}  // namespace

}  // namespace ce::kernel

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR name) {
    using namespace ce::kernel;
    return GuardedCall<HANDLE>(nullptr, [&]() -> HANDLE {
        bool existed = false;
        std::shared_ptr<MutexObject> mutex;
        if (name == nullptr) {
            mutex = std::make_shared<MutexObject>(UniqueFd());
        } else {
            mutex = OpenNamed(name, &existed);
            if (!mutex) {
                return nullptr;
            }
        }
        // An existing mutex keeps its owner: the request for ownership is ignored.
        if (initialOwner && !existed) {
            mutex->TakeOwnership();
        }
        const HANDLE handle = Handles().Add(mutex);
        SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
        return handle;
    });
}

BOOL ReleaseMutex(HANDLE mutex) {
    using namespace ce::kernel;
    return GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        const auto object = FindHandleOrFail<MutexObject>(mutex);
        if (!object) {
            return FALSE;
        }
        if (!object->Release()) {
            SetLastError(ERROR_NOT_OWNER);
            return FALSE;
        }
        return TRUE;
    });
}

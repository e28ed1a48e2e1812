// Threads of the device API over detached host threads. A thread created suspended waits before
// its procedure, so nothing of the procedure runs until ResumeThread lets it go.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "kernel/api_boundary.h"
#include "kernel/handle_table.h"
#include "kernel/thread_exit.h"
#include "kernel/thread_id.h"

namespace ce::kernel {

namespace {

constexpr DWORD kBadResume = 0xFFFFFFFFu;

class ThreadObject final : public KernelObject, public Waitable {
public:
    ThreadObject(LPTHREAD_START_ROUTINE procedure, LPVOID parameter, DWORD id, DWORD suspendCount)
        : m_procedure(procedure), m_parameter(parameter), m_id(id), m_suspendCount(suspendCount) {}

    // The body of the host thread.
    void Run() {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_suspendCount == 0; });
        }
        AdoptThreadId(m_id);
        const DWORD exitCode = m_procedure(m_parameter);
        RunThreadExitHandlers();
        {
            std::lock_guard lock(m_mutex);
            m_exitCode = exitCode;
            m_ended = true;
        }
        m_changed.notify_all();
    }

    DWORD Resume() {
        DWORD previous = 0;
        {
            std::lock_guard lock(m_mutex);
            previous = m_suspendCount;
            if (m_suspendCount > 0) {
                --m_suspendCount;
            }
        }
        if (previous == 1) {
            m_changed.notify_all();
        }
        return previous;
    }

    DWORD ExitCode() const {
        std::lock_guard lock(m_mutex);
        return m_exitCode;
    }

    DWORD Wait(DWORD milliseconds) override {
        std::unique_lock lock(m_mutex);
        const auto ended = [this] { return m_ended; };
        if (milliseconds == INFINITE) {
            m_changed.wait(lock, ended);
            return WAIT_OBJECT_0;
        }
        return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), ended)
                   ? WAIT_OBJECT_0
                   : WAIT_TIMEOUT;
    }

private:
    const LPTHREAD_START_ROUTINE m_procedure;
    const LPVOID m_parameter;
    const DWORD m_id;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    DWORD m_suspendCount;
    DWORD m_exitCode = STILL_ACTIVE;
    bool m_ended = false;
};

}  // namespace

}  // namespace ce::kernel

using ce::kernel::ThreadObject;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, DWORD, LPTHREAD_START_ROUTINE startAddress,
                    LPVOID parameter, DWORD creationFlags, LPDWORD threadId) {
    return ce::kernel::GuardedCall<HANDLE>(nullptr, [&]() -> HANDLE {
        if (startAddress == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        const DWORD id = ce::kernel::AllocateThreadId();
        const DWORD suspendCount = (creationFlags & CREATE_SUSPENDED) != 0 ? 1 : 0;
        auto thread = std::make_shared<ThreadObject>(startAddress, parameter, id, suspendCount);
        auto& handles = ce::kernel::Handles();
        HANDLE handle = handles.Add(thread);
        try {
            // The host thread holds its own reference: the object outlives CloseHandle while the
            // thread runs, and the thread touches nothing else once it has ended.
            std::thread([thread] { thread->Run(); }).detach();
        } catch (const std::system_error&) {
            handles.Remove(handle);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        if (threadId != nullptr) {
            *threadId = id;
        }
        return handle;
    });
}

DWORD ResumeThread(HANDLE thread) {
    return ce::kernel::GuardedCall<DWORD>(ce::kernel::kBadResume, [&] {
        const auto object = ce::kernel::FindHandleOrFail<ThreadObject>(thread);
        return object ? object->Resume() : ce::kernel::kBadResume;
    });
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&] {
        const auto object = ce::kernel::FindHandleOrFail<ThreadObject>(thread);
        if (!object) {
            return FALSE;
        }
        if (exitCode == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        *exitCode = object->ExitCode();
        return TRUE;
    });
}

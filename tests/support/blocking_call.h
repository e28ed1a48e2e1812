// Which system call a thread is blocked in, as /proc/PID/task/TID/syscall tells.
#pragma once

#include <string>

namespace brevanta::test {

// The blocking calls the tests wait for another thread or process to be in.
enum class BlockingCall { kAccept, kPoll, kReceiveFrom };

// Whether the first field of a syscall file (the number of the call the thread is blocked in, or
// "running") names the call. Under QEMU's user-mode emulation (BREVANTA_EMULATED, which ctest
// sets for cross builds) the number is that of the call QEMU makes on the host for the target's,
// and that is taken too.
bool SyscallFileShows(const std::string& path, BlockingCall call);

}  // namespace brevanta::test

#include "blocking_call.h"

#include <sys/syscall.h>

#include <fstream>
#include <initializer_list>

#include "emulation.h"

namespace brevanta::test {
namespace {

constexpr long kNone = -1;

// The numbers the target's C library may use for the call. A 32-bit target with a 64-bit time_t
// polls through ppoll_time64.
bool IsTargetNumber(long number, BlockingCall call) {
    switch (call) {
        case BlockingCall::kAccept:
#ifdef SYS_accept
            if (number == SYS_accept) {
                return true;
            }
#endif
            return number == SYS_accept4;
        case BlockingCall::kPoll:
#ifdef SYS_ppoll_time64
            if (number == SYS_ppoll_time64) {
                return true;
            }
#endif
            return number == SYS_ppoll;
        case BlockingCall::kReceiveFrom:
            return number == SYS_recvfrom;
    }
    return false;
}

// The host's numbers of the calls QEMU makes for them, from the host's headers when the tests
// were configured for an emulator (tests/CMakeLists.txt); none otherwise.
#ifndef BREVANTA_HOST_SYS_ACCEPT
#define BREVANTA_HOST_SYS_ACCEPT kNone
#define BREVANTA_HOST_SYS_ACCEPT4 kNone
#define BREVANTA_HOST_SYS_PPOLL kNone
#define BREVANTA_HOST_SYS_RECVFROM kNone
#endif

bool IsHostNumber(long number, BlockingCall call) {
    auto any = [number](std::initializer_list<long> candidates) {
        for (const long candidate : candidates) {
            if (candidate != kNone && candidate == number) {
                return true;
            }
        }
        return false;
    };
    switch (call) {
        case BlockingCall::kAccept:
            return any({BREVANTA_HOST_SYS_ACCEPT, BREVANTA_HOST_SYS_ACCEPT4});
        case BlockingCall::kPoll:
            return any({BREVANTA_HOST_SYS_PPOLL});
        case BlockingCall::kReceiveFrom:
            return any({BREVANTA_HOST_SYS_RECVFROM});
    }
    return false;
}

}  // namespace

bool SyscallFileShows(const std::string& path, BlockingCall call) {
    std::ifstream file(path);
    long number = kNone;
    if (!(file >> number)) {
        return false;  // "running", or the thread is gone
    }
    return IsTargetNumber(number, call) || (RunsEmulated() && IsHostNumber(number, call));
}

}  // namespace brevanta::test

// Values that several kernel tests use.
#pragma once

#include <cstdint>

#include "winbase.h"

namespace ce::kernel::test {

// A last error that no call sets: a call that must leave the last error alone leaves this.
inline constexpr DWORD kUntouched = 0xDEADu;

// The count of 100-nanosecond intervals a FILETIME holds, as one number.
inline std::uint64_t FileTimeValue(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace ce::kernel::test

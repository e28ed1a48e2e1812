// The device's time stamps (FILETIME: 100 ns intervals since 1601-01-01 UTC) from the host's.
#pragma once

#include <cstdint>

#include "winbase.h"

namespace ce::kernel {

// Seconds from 1601-01-01 to 1970-01-01.
inline constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;

// A host time stamp (seconds and nanoseconds since 1970) as a FILETIME. Instants before 1601
// become 0; the 100 ns resolution of FILETIME is kept whole.
FILETIME FileTimeFromUnixTime(std::int64_t seconds, std::uint32_t nanoseconds);

}  // namespace ce::kernel

// Test hook of the tick count.
#pragma once

#include "winbase.h"

namespace ce::kernel {

// Shifts what GetTickCount returns by `offset`, so that a test can start the count just before
// it wraps.
void SetTickCountOffsetForTesting(DWORD offset);

}  // namespace ce::kernel

// Handles of other programs' top-level windows (found by FindWindowW on a display shared with
// them). Such a handle carries the driver's id above the bits any window of this process uses, so
// no call that looks a handle up in the window table ever takes it for one of ours; bit 0 stays
// free for SetForegroundWindow's flag.
#pragma once

#include <cstdint>
#include <optional>

#include "windef.h"

#include "drivers/remote_access.h"

namespace ce::user {

static_assert(sizeof(std::uintptr_t) == 8, "foreign window handles need 64-bit handles");

inline constexpr std::uintptr_t kForeignWindowTag = std::uintptr_t{1} << 40;

inline HWND ForeignWindowHandle(drivers::ForeignWindowId id) {
    return reinterpret_cast<HWND>(kForeignWindowTag | (static_cast<std::uintptr_t>(id) << 1));
}

// The driver's id of a foreign window handle (bit 0 ignored); nothing for any other handle.
inline std::optional<drivers::ForeignWindowId> ForeignWindowOf(HWND window) {
    const auto value = reinterpret_cast<std::uintptr_t>(window) & ~std::uintptr_t{1};
    if ((value & ~(kForeignWindowTag - 1)) != kForeignWindowTag) {
        return std::nullopt;
    }
    return static_cast<drivers::ForeignWindowId>((value & (kForeignWindowTag - 1)) >> 1);
}

}  // namespace ce::user

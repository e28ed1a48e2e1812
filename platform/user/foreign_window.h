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

// With 32-bit handles the tag is bit 30: an X11 window id has 29 bits, and the window table keeps
// its generations below the tag (bit 31 stays clear, so no handle of ours has the tag's form).
inline constexpr std::uintptr_t kForeignWindowTag = std::uintptr_t{1}
                                                    << (sizeof(std::uintptr_t) == 8 ? 40 : 30);

// Null for an id too large to sit below the tag.
inline HWND ForeignWindowHandle(drivers::ForeignWindowId id) {
    if (id >= kForeignWindowTag >> 1) {
        return nullptr;
    }
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

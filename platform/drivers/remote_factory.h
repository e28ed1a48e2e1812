// Which remote access serves a program beside its display driver (driver_factory.h).
//
// CE_REMOTE=kernel: the screen and the pointer come from the kernel (the scanout through DRM, or
// /dev/fb0 where there is no DRM device; a uinput absolute pointer), whatever the display driver.
// Unset or empty: from the display driver's own remote access where it has one, else from the
// kernel. Other programs' windows come from the display driver's own remote access either way:
// the kernel knows no windows.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "windef.h"

#include "drivers/remote_access.h"

namespace ce::drivers {

enum class RemoteChoice { kDisplayDriverFirst, kKernel };

// What CE_REMOTE chooses; nothing, with the reason in *error, for a value that names no choice.
std::optional<RemoteChoice> RemoteChoiceFromEnvironment(std::string* error);

// The kernel's screen and pointer on this machine's devices. Pointer positions are pixels of a
// screen of screenSize() (asked at each move). Null with the reason in *error when a device or a
// privilege is missing.
std::unique_ptr<ScreenAccess> CreateKernelScreenAccess(std::function<SIZE()> screenSize,
                                                       std::string* error);

}  // namespace ce::drivers

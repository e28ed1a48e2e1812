// Which display driver a program gets. CE_DISPLAY=x11|kms|headless chooses; without it, x11 when
// DISPLAY names a display that can be reached, else headless: kms is never chosen unasked, since
// it takes the display from the console. CE_SCREEN=WxH sets the headless screen (default
// 272x480) and CE_HEADLESS_CONTROL its control socket; the kms screen is its output's preferred
// mode, and LIBSEAT_BACKEND may name libseat's backend for it (noop: root opens the devices
// directly). CE_REMOTE=kernel reads the screen and injects the pointer through the kernel
// instead of the driver (remote_factory.h).
#pragma once

#include <memory>
#include <string>

#include "drivers/display_driver.h"

namespace ce::drivers {

// The driver the environment chooses, or null with the reason in *error when the chosen one
// cannot start: a driver named in CE_DISPLAY is never replaced by another.
std::unique_ptr<DisplayDriver> CreateDisplayDriver(std::string* error);

// An in-memory screen of 272x480 with no control socket: what a test's fresh desktop shows.
std::unique_ptr<DisplayDriver> CreatePlainHeadlessDriver();

}  // namespace ce::drivers

// The x11 display driver: real override-redirect X windows, keyboard and pointer input, the wait
// cursor.
#pragma once

#include <memory>
#include <string>

#include "drivers/display_driver.h"

namespace ce::drivers {

// Connects to the display named by DISPLAY; null with the reason in *error when it cannot.
std::unique_ptr<DisplayDriver> CreateX11Driver(std::string* error);

}  // namespace ce::drivers

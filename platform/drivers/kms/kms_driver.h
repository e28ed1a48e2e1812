// The kms display driver: the program's windows on a display that has no display server. The
// windows are composited as the headless driver does and shown through DRM; input comes from
// libinput, the devices through the seat (libseat). Choose it with CE_DISPLAY=kms.
#pragma once

#include <memory>
#include <string>

#include "drivers/display_driver.h"

namespace ce::drivers {

// Opens the seat, the first DRM card with a connected output and the seat's input devices;
// null with the reason in *error when there is no display to show on or no right to it.
std::unique_ptr<DisplayDriver> CreateKmsDriver(std::string* error);

}  // namespace ce::drivers

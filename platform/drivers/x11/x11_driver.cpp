#include "drivers/x11/x11_driver.h"

namespace ce::drivers {

std::unique_ptr<DisplayDriver> CreateX11Driver(std::string* error) {
    *error = "the x11 driver is not available";
    return nullptr;
}

}  // namespace ce::drivers

#include "drivers/driver_factory.h"

#include <cstdlib>
#include <string_view>

#include "drivers/headless/headless_driver.h"
#include "drivers/kms/kms_driver.h"
#include "drivers/x11/x11_driver.h"

namespace ce::drivers {

std::unique_ptr<DisplayDriver> CreateDisplayDriver(std::string* error) {
    const char* chosen = std::getenv("CE_DISPLAY");
    const std::string_view choice = chosen == nullptr ? "" : chosen;
    if (choice == "headless") {
        return HeadlessDriver::Create(HeadlessOptionsFromEnvironment(), error);
    }
    if (choice == "x11") {
        std::string reason;
        auto driver = CreateX11Driver(&reason);
        if (!driver) {
            *error = "CE_DISPLAY=x11: " + reason;
        }
        return driver;
    }
    if (choice == "kms") {
        std::string reason;
        auto driver = CreateKmsDriver(&reason);
        if (!driver) {
            *error = "CE_DISPLAY=kms: " + reason;
        }
        return driver;
    }
    if (!choice.empty()) {
        *error =
            "CE_DISPLAY=" + std::string(choice) + " names no display driver (x11, kms, headless)";
        return nullptr;
    }
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr && *display != '\0') {
        std::string reason;
        if (auto driver = CreateX11Driver(&reason)) {
            return driver;
        }
    }
    return HeadlessDriver::Create(HeadlessOptionsFromEnvironment(), error);
}

std::unique_ptr<DisplayDriver> CreatePlainHeadlessDriver() {
    return HeadlessDriver::Create(HeadlessOptions{}, nullptr);
}

}  // namespace ce::drivers

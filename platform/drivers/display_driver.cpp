#include "drivers/display_driver.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "drivers/headless/headless_driver.h"
#include "drivers/x11/x11_driver.h"

namespace ce::drivers {

namespace {

std::unique_ptr<DisplayDriver> Headless(std::string* error) {
    return HeadlessDriver::Create(HeadlessOptionsFromEnvironment(), error);
}

}  // namespace

std::unique_ptr<DisplayDriver> CreateDisplayDriver(std::string* error) {
    const char* chosen = std::getenv("CE_DISPLAY");
    const std::string_view choice = chosen == nullptr ? "" : chosen;
    if (choice == "headless") {
        return Headless(error);
    }
    if (choice == "x11") {
        std::string reason;
        if (auto driver = CreateX11Driver(&reason)) {
            return driver;
        }
        std::fprintf(stderr, "CE_DISPLAY=x11: %s; using the headless display\n", reason.c_str());
        return Headless(error);
    }
    if (!choice.empty()) {
        *error = "CE_DISPLAY=" + std::string(choice) + " names no display driver (x11, headless)";
        return nullptr;
    }
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr && *display != '\0') {
        std::string reason;
        if (auto driver = CreateX11Driver(&reason)) {
            return driver;
        }
    }
    return Headless(error);
}

std::vector<TopLevelWindow> InputSink::DescribeChildren(WindowId) {
    return {};
}

}  // namespace ce::drivers

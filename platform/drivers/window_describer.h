// What tests of whole programs ask the window system through a driver's control path, and
// nothing else does: the windows a program shows inside a top-level window. The desktop answers;
// the headless driver's control socket asks.
#pragma once

#include <vector>

#include "drivers/display_driver.h"

namespace ce::drivers {

class WindowDescriber {
public:
    virtual ~WindowDescriber() = default;
    // The descendants of a top-level window, parents before their children, each with its
    // class, text and screen rectangle (in the fields of TopLevelWindow).
    virtual std::vector<TopLevelWindow> DescribeChildren(WindowId window) = 0;
};

}  // namespace ce::drivers

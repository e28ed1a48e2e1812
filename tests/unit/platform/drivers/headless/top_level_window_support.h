// Helpers of the tests of window composition: a surface of one colour and a top-level window's
// description.
#pragma once

#include <memory>

#include "drivers/display_driver.h"

namespace ce::drivers::test {

inline std::shared_ptr<gdi::Surface> Filled(int width, int height, gdi::Pixel pixel) {
    auto surface = std::make_shared<gdi::Surface>(width, height);
    surface->Fill(surface->Bounds(), pixel);
    return surface;
}

inline TopLevelWindow Window(WindowId id, RECT rect, bool visible = true) {
    TopLevelWindow window;
    window.id = id;
    window.rect = rect;
    window.visible = visible;
    return window;
}

}  // namespace ce::drivers::test

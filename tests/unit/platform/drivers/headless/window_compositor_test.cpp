// What the compositor says it redrew: a display that copies only that part shows the screen.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "drivers/window_compositor.h"
#include "top_level_window_support.h"

namespace ce::drivers {
namespace {

using test::Filled;
using test::Window;

TEST(WindowCompositor, EveryPixelThatChangesLiesInWhatItSaysItRedrew) {
    WindowCompositor compositor(SIZE{40, 30});
    auto first = Filled(20, 10, 0x1111);
    auto second = Filled(10, 10, 0x2222);
    struct Step {
        const char* name;
        std::function<RECT()> apply;
    };
    const WindowId ids[] = {7, 9};
    const Step steps[] = {
        {"a window appears",
         [&] {
             return compositor.UpdateWindow(Window(7, {2, 3, 22, 13}), first);
         }},
        {"a second one over it",
         [&] {
             return compositor.UpdateWindow(Window(9, {15, 8, 25, 18}), second);
         }},
        {"the first is raised", [&] { return compositor.Restack(std::span(ids, 2)); }},
        {"part of the first is drawn anew",
         [&] {
             first->Fill(RECT{0, 0, 20, 10}, 0x3333);
             return compositor.Present(7, RECT{12, 4, 18, 9});
         }},
        {"the second moves",
         [&] {
             return compositor.UpdateWindow(Window(9, {30, 20, 40, 30}), second);
         }},
        {"the second moves off the screen's edge",
         [&] {
             return compositor.UpdateWindow(Window(9, {35, 25, 45, 35}), second);
         }},
        {"the first is hidden",
         [&] {
             return compositor.UpdateWindow(Window(7, {2, 3, 22, 13}, false), first);
         }},
        {"a hidden window is drawn",
         [&] {
             return compositor.Present(7, RECT{0, 0, 20, 10});
         }},
        {"the second goes", [&] { return compositor.RemoveWindow(9); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const gdi::Surface& screen = compositor.Screen();
        gdi::Surface before(screen.Width(), screen.Height());
        before.Copy(0, 0, screen, screen.Bounds());
        const RECT redrawn = step.apply();
        for (int y = 0; y < screen.Height(); ++y) {
            for (int x = 0; x < screen.Width(); ++x) {
                const bool inside = x >= redrawn.left && x < redrawn.right && y >= redrawn.top &&
                                    y < redrawn.bottom;
                if (!inside) {
                    ASSERT_EQ(screen.At(x, y), before.At(x, y)) << x << "," << y;
                }
            }
        }
    }
}

}  // namespace
}  // namespace ce::drivers

// An Xvfb of the test's own, the x11 driver on it, and a connection of the test that looks at
// the screen and sends input through XTest.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "drivers/display_driver.h"
#include "drivers/remote_access.h"
#include "gdi/surface.h"
#include "xvfb_process.h"

// After gtest: X.h's macros (None, Bool, CursorShape ...) would break its headers and the layer's.
#include "drivers/x11/x11_xlib.h"

namespace ce::drivers::x11::test {

class RecordingSink final : public InputSink {
public:
    void OnInput(const InputEvent& event) override;
    void OnScreenChanged() override;

    // Waits until the events received so far satisfy the condition; false at the deadline.
    bool WaitFor(const std::function<bool(const std::vector<InputEvent>&)>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));
    std::vector<InputEvent> Events();
    int ScreenChanges();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<InputEvent> m_events;
    int m_screenChanges = 0;
};

// A surface whose pixels cover all 16 bits, different for each seed. The pixels live in a
// buffer with a wider stride and bottom-up rows, as a DIB section's do, so that neither the
// surface's stride nor its row order can be taken for granted.
struct PatternSurface {
    PatternSurface(int width, int height, unsigned seed);
    void Paint(const RECT& rect, unsigned seed);

    std::vector<gdi::Pixel> pixels;
    std::shared_ptr<gdi::Surface> surface;
};

TopLevelWindow MakeWindow(WindowId id, const RECT& rect, std::u16string title,
                          std::u16string className = u"X11DriverTest");

// A server that a parameterised test runs on: its name, depth and extra arguments.
struct ServerSetup {
    const char* name;
    int depth;
    std::vector<std::string> arguments;
};
void PrintTo(const ServerSetup& setup, std::ostream* out);

class X11DriverTest : public ::testing::Test {
protected:
    void TearDown() override;

    // Starts Xvfb and the driver on it; use with ASSERT_NO_FATAL_FAILURE.
    void StartServer(int depth, const std::vector<std::string>& extraArguments = {},
                     int width = 272, int height = 480);

    // The top-level X window whose WM_NAME is the title, 0 when there is none.
    Window FindXWindow(const std::string& title);
    bool IsOnScreen(Window window);
    // The screen shows the surface's pixels (converted to the visual) at the rectangle.
    bool ScreenShows(const RECT& rect, const gdi::Surface& surface);
    // Holds until the screen shows them, with a deadline.
    bool WaitUntilScreenShows(const RECT& rect, const gdi::Surface& surface);
    // Gives Xvfb's screen a new size through RandR and waits until the (started) driver knows
    // it; use with ASSERT_NO_FATAL_FAILURE.
    void ResizeScreen(int width, int height);
    // The driver's remote access, which x11 always offers.
    RemoteAccess& Remote();

    brevanta::test::XvfbProcess m_xvfb;
    std::unique_ptr<DisplayDriver> m_driver;
    RecordingSink m_sink;
    Display* m_probe = nullptr;
};

}  // namespace ce::drivers::x11::test

#include "x11_test_fixture.h"

#include <atomic>
#include <cstdlib>
#include <ostream>

#include "drivers/x11/x11_driver.h"
#include "wait_until.h"

#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

namespace ce::drivers::x11::test {
namespace {

// The visual's value for a pixel: each channel widened by repeating its top bits (the layer's
// own ToColor), then cut to the visual's mask.
unsigned long VisualPixel(const Visual* visual, gdi::Pixel pixel) {
    const COLORREF color = gdi::ToColor(pixel);
    auto place = [](unsigned channel, unsigned long mask) {
        const int shift = __builtin_ctzl(mask);
        const int bits = __builtin_popcountl(mask);
        return (static_cast<unsigned long>(channel >> (8 - bits)) << shift) & mask;
    };
    return place(GetRValue(color), visual->red_mask) | place(GetGValue(color), visual->green_mask) |
           place(GetBValue(color), visual->blue_mask);
}

// The test's own connection looks at windows that may go away while it does; the driver's
// connections must never see an error the driver does not trap itself.
std::atomic<Display*> g_probe{nullptr};

int ReportError(Display* display, XErrorEvent* event) {
    if (display != g_probe.load()) {
        ADD_FAILURE() << "X error " << static_cast<int>(event->error_code) << " of request "
                      << static_cast<int>(event->request_code) << " on the driver's connection";
    }
    return 0;
}

}  // namespace

void PrintTo(const ServerSetup& setup, std::ostream* out) {
    *out << setup.name;
}

void RecordingSink::OnInput(const InputEvent& event) {
    std::lock_guard lock(m_mutex);
    m_events.push_back(event);
    m_changed.notify_all();
}

void RecordingSink::OnScreenChanged() {
    std::lock_guard lock(m_mutex);
    ++m_screenChanges;
    m_changed.notify_all();
}

bool RecordingSink::WaitFor(const std::function<bool(const std::vector<InputEvent>&)>& condition,
                            std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return condition(m_events); });
}

std::vector<InputEvent> RecordingSink::Events() {
    std::lock_guard lock(m_mutex);
    return m_events;
}

int RecordingSink::ScreenChanges() {
    std::lock_guard lock(m_mutex);
    return m_screenChanges;
}

PatternSurface::PatternSurface(int width, int height, unsigned seed)
    : pixels(static_cast<std::size_t>((width + 3) * height)),
      surface(std::make_shared<gdi::Surface>(pixels.data(), width, height, width + 3, true)) {
    Paint(surface->Bounds(), seed);
}

void PatternSurface::Paint(const RECT& rect, unsigned seed) {
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        for (LONG x = rect.left; x < rect.right; ++x) {
            const auto hash = (static_cast<unsigned>(x) * 2654435761u) ^
                              (static_cast<unsigned>(y) * 40503u) ^ (seed * 0x9E3779B9u);
            surface->Set(x, y, static_cast<gdi::Pixel>(hash ^ (hash >> 16)));
        }
    }
}

TopLevelWindow MakeWindow(WindowId id, const RECT& rect, std::u16string title,
                          std::u16string className) {
    TopLevelWindow window;
    window.id = id;
    window.rect = rect;
    window.visible = true;
    window.className = std::move(className);
    window.title = std::move(title);
    return window;
}

void X11DriverTest::StartServer(int depth, const std::vector<std::string>& extraArguments,
                                int width, int height) {
    std::string error;
    ASSERT_TRUE(m_xvfb.Start(width, height, depth, &error, extraArguments)) << error;
    setenv("DISPLAY", m_xvfb.DisplayName().c_str(), 1);
    m_driver = CreateX11Driver(&error);
    ASSERT_NE(m_driver, nullptr) << error;
    m_probe = XOpenDisplay(m_xvfb.DisplayName().c_str());
    ASSERT_NE(m_probe, nullptr);
    g_probe.store(m_probe);
    XSetErrorHandler(ReportError);
}

void X11DriverTest::TearDown() {
    if (m_driver) {
        m_driver->Stop();
        m_driver.reset();
    }
    if (m_probe != nullptr) {
        XCloseDisplay(m_probe);
        g_probe.store(nullptr);
    }
}

Window X11DriverTest::FindXWindow(const std::string& title) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    XQueryTree(m_probe, DefaultRootWindow(m_probe), &root, &parent, &children, &count);
    for (unsigned i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        if (XFetchName(m_probe, children[i], &name) != 0 && name != nullptr) {
            if (title == name) {
                found = children[i];
            }
            XFree(name);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

bool X11DriverTest::IsOnScreen(Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(m_probe, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

bool X11DriverTest::ScreenShows(const RECT& rect, const gdi::Surface& surface) {
    const Visual* visual = DefaultVisual(m_probe, DefaultScreen(m_probe));
    const unsigned long mask = visual->red_mask | visual->green_mask | visual->blue_mask;
    XImage* image = XGetImage(m_probe, DefaultRootWindow(m_probe), rect.left, rect.top,
                              static_cast<unsigned>(rect.right - rect.left),
                              static_cast<unsigned>(rect.bottom - rect.top), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    bool same = true;
    for (int y = 0; same && y < surface.Height(); ++y) {
        for (int x = 0; same && x < surface.Width(); ++x) {
            same = (XGetPixel(image, x, y) & mask) == VisualPixel(visual, surface.At(x, y));
        }
    }
    XDestroyImage(image);
    return same;
}

bool X11DriverTest::WaitUntilScreenShows(const RECT& rect, const gdi::Surface& surface) {
    return brevanta::test::WaitUntil([&] { return ScreenShows(rect, surface); });
}

void X11DriverTest::ResizeScreen(int width, int height) {
    // Xvfb's only output must let go of the screen before it can shrink.
    Window root = DefaultRootWindow(m_probe);
    XRRScreenResources* resources = XRRGetScreenResources(m_probe, root);
    ASSERT_NE(resources, nullptr);
    ASSERT_GE(resources->ncrtc, 1);
    XRRSetCrtcConfig(m_probe, resources, resources->crtcs[0], CurrentTime, 0, 0, 0, RR_Rotate_0,
                     nullptr, 0);
    XRRFreeScreenResources(resources);
    XRRSetScreenSize(m_probe, root, width, height, width / 4, height / 4);
    XSync(m_probe, False);
    ASSERT_TRUE(brevanta::test::WaitUntil(
        [&] { return m_driver->ScreenSize().cx == width && m_driver->ScreenSize().cy == height; }));
}

RemoteAccess& X11DriverTest::Remote() {
    RemoteAccess* remote = m_driver->Remote();
    EXPECT_NE(remote, nullptr);
    return *remote;
}

}  // namespace ce::drivers::x11::test

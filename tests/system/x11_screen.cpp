#include "x11_screen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace brevanta::test {
namespace {

// Windows come and go while the test looks at them: a window gone between two requests is not an
// error worth ending the test for.
int IgnoreError(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

X11Screen::X11Screen(const std::string& display) : m_display(XOpenDisplay(display.c_str())) {
    XSetErrorHandler(IgnoreError);
}

X11Screen::~X11Screen() {
    if (m_display != nullptr) {
        XCloseDisplay(m_display);
    }
}

std::vector<ShownWindow> X11Screen::MappedWindows(const std::string& className) {
    std::vector<ShownWindow> found;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count) ==
        0) {
        return found;
    }
    // XQueryTree lists the children bottom first.
    for (unsigned int i = count; i-- > 0;) {
        XWindowAttributes attributes{};
        XClassHint hint{};
        if (XGetWindowAttributes(m_display, children[i], &attributes) == 0 ||
            attributes.map_state != IsViewable ||
            XGetClassHint(m_display, children[i], &hint) == 0) {
            continue;
        }
        const std::string windowClass = hint.res_class != nullptr ? hint.res_class : "";
        XFree(hint.res_name);
        XFree(hint.res_class);
        if (className.empty() || className == windowClass) {
            ShownWindow window;
            window.id = children[i];
            window.className = windowClass;
            char* title = nullptr;
            if (XFetchName(m_display, children[i], &title) != 0 && title != nullptr) {
                window.text = title;
                XFree(title);
            }
            window.left = attributes.x;
            window.top = attributes.y;
            window.right = attributes.x + attributes.width;
            window.bottom = attributes.y + attributes.height;
            found.push_back(window);
        }
    }
    XFree(children);
    return found;
}

std::optional<Screenshot> X11Screen::Capture() {
    const int width = DisplayWidth(m_display, DefaultScreen(m_display));
    const int height = DisplayHeight(m_display, DefaultScreen(m_display));
    XImage* image =
        XGetImage(m_display, DefaultRootWindow(m_display), 0, 0, static_cast<unsigned>(width),
                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return std::nullopt;
    }
    Screenshot screen;
    screen.width = width;
    screen.height = height;
    screen.pixels.resize(static_cast<std::size_t>(width * height));
    // Each channel's top bits, repeated into the low ones, whatever the depth of the server.
    auto channel = [](unsigned long pixel, unsigned long mask) {
        if (mask == 0) {
            return std::uint8_t{0};
        }
        int shift = 0;
        while (((mask >> shift) & 1) == 0) {
            ++shift;
        }
        int bits = 0;
        while (((mask >> (shift + bits)) & 1) != 0) {
            ++bits;
        }
        unsigned value = static_cast<unsigned>((pixel & mask) >> shift);
        unsigned result = 0;
        for (int filled = 0; filled < 8; filled += bits) {
            result = (result << bits) | value;
        }
        return static_cast<std::uint8_t>(result >> (((8 + bits - 1) / bits) * bits - 8));
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            screen.pixels[static_cast<std::size_t>(y * width + x)] =
                Rgb{channel(pixel, image->red_mask), channel(pixel, image->green_mask),
                    channel(pixel, image->blue_mask)};
        }
    }
    XDestroyImage(image);
    return screen;
}

void X11Screen::Click(int x, int y) {
    XTestFakeMotionEvent(m_display, DefaultScreen(m_display), x, y, CurrentTime);
    XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
    XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
    XSync(m_display, False);
}

void X11Screen::PressKey(unsigned long keysym) {
    const KeyCode code = XKeysymToKeycode(m_display, keysym);
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    XSync(m_display, False);
}

void X11Screen::Type(char character) {
    PressKey(character == '.' ? XK_period : static_cast<unsigned long>(character));
}

}  // namespace brevanta::test

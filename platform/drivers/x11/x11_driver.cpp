#include "drivers/x11/x11_driver.h"

#include "drivers/x11/x11_xlib.h"

#include <cstdlib>
#include <optional>

#include "drivers/x11/x11_display_driver.h"

namespace ce::drivers {
namespace {

int BitsPerPixelOf(Display* display, int depth) {
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    int bitsPerPixel = 0;
    for (int i = 0; i < count; ++i) {
        if (formats[i].depth == depth) {
            bitsPerPixel = formats[i].bits_per_pixel;
        }
    }
    XFree(formats);
    return bitsPerPixel;
}

std::optional<x11::PixelLayout> LayoutOfScreen(Display* display) {
    const int screen = DefaultScreen(display);
    const Visual* visual = DefaultVisual(display, screen);
    const int depth = DefaultDepth(display, screen);
    return x11::LayoutOf(visual->red_mask, visual->green_mask, visual->blue_mask, depth,
                         BitsPerPixelOf(display, depth));
}

}  // namespace

std::unique_ptr<DisplayDriver> CreateX11Driver(std::string* error) {
    // Window threads, the input thread and the remote display server all reach the driver.
    XInitThreads();
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        *error = "DISPLAY is not set";
        return nullptr;
    }
    x11::DisplayPtr requests(XOpenDisplay(name));
    x11::DisplayPtr events(requests ? XOpenDisplay(name) : nullptr);
    if (!requests || !events) {
        *error = std::string("cannot open the X display ") + name;
        return nullptr;
    }
    std::optional<x11::PixelLayout> layout = LayoutOfScreen(requests.get());
    if (!layout) {
        *error = "the X display's visual is neither 16-bit RGB565 nor 24-bit RGB";
        return nullptr;
    }
    return x11::X11Driver::Create(std::move(requests), std::move(events), *layout, error);
}

}  // namespace ce::drivers

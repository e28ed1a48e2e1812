#include "x_view.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace brevanta::viewer {
namespace {

constexpr ScreenSize kPlaceholderSize{240, 320};

bool FindTrueColor(Display* display, XVisualInfo* found) {
    const int screen = DefaultScreen(display);
    if (XMatchVisualInfo(display, screen, DefaultDepth(display, screen), TrueColor, found) &&
        found->visual == DefaultVisual(display, screen)) {
        return true;
    }
    for (int depth : {24, 32, 30, 16, 15, 12, 8}) {
        if (XMatchVisualInfo(display, screen, depth, TrueColor, found)) {
            return true;
        }
    }
    return false;
}

bool NativeLsbFirst() {
    return std::endian::native == std::endian::little;
}

}  // namespace

std::unique_ptr<XView> XView::Open(const std::string& displayName, int scale,
                                   ScreenSize initialSize, std::string* error) {
    std::unique_ptr<XView> view(new XView());
    view->m_display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!view->m_display) {
        *error = "cannot open display " +
                 (displayName.empty() ? std::string(XDisplayName(nullptr)) : displayName);
        return nullptr;
    }
    XVisualInfo visual{};
    if (!FindTrueColor(view->m_display, &visual)) {
        *error = "the display offers no TrueColor visual";
        return nullptr;
    }
    view->m_scale = scale;
    view->m_size = initialSize.width > 0 ? initialSize : kPlaceholderSize;
    if (!view->CreateWindow(visual, error)) {
        return nullptr;
    }
    return view;
}

XView::~XView() {
    if (m_image) {
        XDestroyImage(m_image);  // frees the pixel memory too
    }
    if (m_gc) {
        XFreeGC(m_display, m_gc);
    }
    if (m_window) {
        XDestroyWindow(m_display, m_window);
    }
    if (m_colormap) {
        XFreeColormap(m_display, m_colormap);
    }
    if (m_display) {
        XCloseDisplay(m_display);
    }
}

bool XView::CreateWindow(const XVisualInfo& visual, std::string* error) {
    const int screen = DefaultScreen(m_display);
    const Window root = RootWindow(m_display, screen);
    m_visual = visual.visual;
    m_depth = visual.depth;
    const auto channel = [](unsigned long mask) {
        if (mask == 0) {
            return Channel{};
        }
        const int shift = std::countr_zero(mask);
        return Channel{shift, static_cast<unsigned>(mask >> shift)};
    };
    m_red = channel(visual.red_mask);
    m_green = channel(visual.green_mask);
    m_blue = channel(visual.blue_mask);
    m_pixelOf565.resize(65536);
    for (std::uint32_t word = 0; word < 65536; ++word) {
        m_pixelOf565[word] = PixelFor(static_cast<std::uint16_t>(word));
    }

    XSetWindowAttributes attributes{};
    unsigned long mask = CWEventMask | CWBackPixel | CWBorderPixel;
    attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | StructureNotifyMask;
    attributes.background_pixel = 0;
    attributes.border_pixel = 0;
    if (m_visual != DefaultVisual(m_display, screen)) {
        m_colormap = XCreateColormap(m_display, root, m_visual, AllocNone);
        attributes.colormap = m_colormap;
        mask |= CWColormap;
    }
    m_window = XCreateWindow(m_display, root, 0, 0, static_cast<unsigned>(m_size.width * m_scale),
                             static_cast<unsigned>(m_size.height * m_scale), 0, m_depth,
                             InputOutput, m_visual, mask, &attributes);
    if (!m_window) {
        *error = "cannot create the window";
        return false;
    }
    m_gc = XCreateGC(m_display, m_window, 0, nullptr);
    XClassHint classHint{const_cast<char*>("tavrelin-viewer"), const_cast<char*>("TavrelinViewer")};
    XSetClassHint(m_display, m_window, &classHint);
    m_deleteWindow = XInternAtom(m_display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(m_display, m_window, &m_deleteWindow, 1);
    Resize(m_size);
    XMapWindow(m_display, m_window);
    XFlush(m_display);
    if (!m_image) {
        *error = "cannot create the image";
        return false;
    }
    return true;
}

// The window keeps exactly the device's size times the scale.
void XView::Resize(ScreenSize size) {
    m_size = size;
    const int width = size.width * m_scale;
    const int height = size.height * m_scale;
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(m_display, m_window, &hints);
    XResizeWindow(m_display, m_window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (m_image) {
        XDestroyImage(m_image);
        m_image = nullptr;
    }
    m_image = XCreateImage(m_display, m_visual, static_cast<unsigned>(m_depth), ZPixmap, 0, nullptr,
                           static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (m_image) {
        m_image->data = static_cast<char*>(
            std::calloc(static_cast<std::size_t>(m_image->bytes_per_line) * height, 1));
        if (!m_image->data) {
            XDestroyImage(m_image);
            m_image = nullptr;
        }
    }
}

std::uint32_t XView::PixelFor(std::uint16_t rgb565) const {
    const Rgb888 color = ExpandRgb565(rgb565);
    const auto place = [](std::uint8_t value, const Channel& channel) {
        return ((value * channel.max + 127) / 255) << channel.shift;
    };
    return place(color.red, m_red) | place(color.green, m_green) | place(color.blue, m_blue);
}

void XView::Show(const Picture& picture) {
    if (picture.Empty()) {
        return;
    }
    if (picture.Size() != m_size) {
        Resize(picture.Size());
    }
    if (!m_image) {
        return;
    }
    const int width = m_size.width;
    const bool native = (m_image->byte_order == LSBFirst) == NativeLsbFirst();
    std::vector<std::uint32_t> row(static_cast<std::size_t>(width * m_scale));
    for (int y = 0; y < m_size.height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = m_pixelOf565[picture.PixelAt(x, y)];
            std::fill_n(row.begin() + x * m_scale, m_scale, pixel);
        }
        for (int copy = 0; copy < m_scale; ++copy) {
            const int imageY = y * m_scale + copy;
            char* line =
                m_image->data + static_cast<std::ptrdiff_t>(imageY) * m_image->bytes_per_line;
            if (native && m_image->bits_per_pixel == 32) {
                std::memcpy(line, row.data(), row.size() * 4);
            } else if (native && m_image->bits_per_pixel == 16) {
                for (std::size_t i = 0; i < row.size(); ++i) {
                    const auto value = static_cast<std::uint16_t>(row[i]);
                    std::memcpy(line + i * 2, &value, 2);
                }
            } else {
                for (std::size_t i = 0; i < row.size(); ++i) {
                    XPutPixel(m_image, static_cast<int>(i), imageY, row[i]);
                }
            }
        }
    }
    Redraw();
}

void XView::Redraw() {
    if (m_image) {
        XPutImage(m_display, m_window, m_gc, m_image, 0, 0, 0, 0,
                  static_cast<unsigned>(m_image->width), static_cast<unsigned>(m_image->height));
    }
    XFlush(m_display);
}

void XView::SetTitle(const std::string& title) {
    XStoreName(m_display, m_window, title.c_str());
    XFlush(m_display);
}

void XView::ToDevice(int windowX, int windowY, int* x, int* y) const {
    *x = std::clamp(windowX / m_scale, 0, m_size.width - 1);
    *y = std::clamp(windowY / m_scale, 0, m_size.height - 1);
}

std::vector<ViewEvent> XView::TakeEvents() {
    std::vector<ViewEvent> events;
    bool exposed = false;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        ViewEvent out;
        switch (event.type) {
            case Expose:
                exposed = true;
                continue;
            case KeyPress: {
                const KeySym key = XLookupKeysym(&event.xkey, 0);
                if (key == XK_q || key == XK_Q || key == XK_Escape) {
                    events.push_back({ViewEvent::Kind::kQuit, 0, 0});
                }
                continue;
            }
            case ClientMessage:
                if (static_cast<Atom>(event.xclient.data.l[0]) == m_deleteWindow) {
                    events.push_back({ViewEvent::Kind::kQuit, 0, 0});
                }
                continue;
            case MotionNotify:
                out.kind = ViewEvent::Kind::kMove;
                ToDevice(event.xmotion.x, event.xmotion.y, &out.x, &out.y);
                // Only the latest position of a run of moves matters.
                if (!events.empty() && events.back().kind == ViewEvent::Kind::kMove) {
                    events.back() = out;
                } else {
                    events.push_back(out);
                }
                continue;
            case ButtonPress:
            case ButtonRelease: {
                const bool press = event.type == ButtonPress;
                if (event.xbutton.button == Button1) {
                    out.kind = press ? ViewEvent::Kind::kLeftDown : ViewEvent::Kind::kLeftUp;
                } else if (event.xbutton.button == Button3) {
                    out.kind = press ? ViewEvent::Kind::kRightDown : ViewEvent::Kind::kRightUp;
                } else {
                    continue;
                }
                ToDevice(event.xbutton.x, event.xbutton.y, &out.x, &out.y);
                events.push_back(out);
                continue;
            }
            default:
                continue;
        }
    }
    if (exposed) {
        Redraw();
    }
    return events;
}

}  // namespace brevanta::viewer

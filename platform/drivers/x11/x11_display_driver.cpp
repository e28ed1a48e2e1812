#include "drivers/x11/x11_display_driver.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "drivers/x11/x11_foreign_windows.h"
#include "drivers/x11/x11_input.h"
#include "drivers/x11/x11_shm.h"
#include "gdi/rect_math.h"

namespace ce::drivers::x11 {
namespace {

constexpr long kInputMask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                            KeyReleaseMask | ExposureMask;

// X windows cannot be empty; an empty one stays unmapped at 1x1.
unsigned ExtentOf(LONG extent) {
    return static_cast<unsigned>(std::max<LONG>(extent, 1));
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

std::unique_ptr<X11Driver> X11Driver::Create(DisplayPtr requests, DisplayPtr events,
                                             PixelLayout layout, std::string* error) {
    std::unique_ptr<X11Driver> driver(
        new X11Driver(std::move(requests), std::move(events), layout));
    if (!driver->m_eventThread.Initialize()) {
        *error = "the x11 driver cannot make its wake pipe";
        return nullptr;
    }
    return driver;
}

X11Driver::X11Driver(DisplayPtr requests, DisplayPtr events, PixelLayout layout)
    : m_requests(std::move(requests)),
      m_events(std::move(events)),
      m_layout(layout),
      m_cursors(m_requests.get()),
      m_texts(m_requests.get()),
      m_screenChanges(m_events.get()),
      m_gc(XCreateGC(m_requests.get(), DefaultRootWindow(m_requests.get()), 0, nullptr)),
      m_pointer(m_requests.get()),
      m_useShm(ShmAvailable(m_requests.get())) {
    XSetGraphicsExposures(m_requests.get(), m_gc, False);
    StoreScreenSize(ScreenSizeOf(m_requests.get()));
    m_rotation.store(CurrentRotation(m_requests.get()));
    XFlush(m_events.get());
}

X11Driver::~X11Driver() {
    m_eventThread.Stop();
    m_capture.reset();
    for (auto& [id, record] : m_windows) {
        record.image.reset();
        XDestroyWindow(m_requests.get(), record.xid);
    }
    m_windows.clear();
    XFreeGC(m_requests.get(), m_gc);
}

SIZE X11Driver::ScreenSize() const {
    const std::uint64_t packed = m_screenSize.load();
    return SIZE{static_cast<LONG>(packed >> 32), static_cast<LONG>(packed & 0xFFFFFFFFu)};
}

void X11Driver::StoreScreenSize(SIZE size) {
    m_screenSize.store((static_cast<std::uint64_t>(static_cast<std::uint32_t>(size.cx)) << 32) |
                       static_cast<std::uint32_t>(size.cy));
}

void X11Driver::Start(InputSink& sink) {
    m_eventThread.Stop();
    m_sink = &sink;
    m_eventThread.Start(m_events.get(), [this](XEvent& event) { HandleEvent(event); });
}

void X11Driver::Stop() {
    m_eventThread.Stop();
}

Window X11Driver::CreateXWindow(const RECT& rect) {
    Display* display = m_requests.get();
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    // No background: the server leaves exposed parts alone until the driver repaints them.
    attributes.background_pixmap = None;
    attributes.cursor = m_cursors.For(m_cursorShape);
    return XCreateWindow(display, DefaultRootWindow(display), rect.left, rect.top,
                         ExtentOf(rect.right - rect.left), ExtentOf(rect.bottom - rect.top), 0,
                         CopyFromParent, InputOutput, nullptr,
                         CWOverrideRedirect | CWBackPixmap | CWCursor, &attributes);
}

void X11Driver::UpdateWindow(const TopLevelWindow& window,
                             std::shared_ptr<const gdi::Surface> surface) {
    std::lock_guard lock(m_mutex);
    Display* display = m_requests.get();
    auto [entry, created] = m_windows.try_emplace(window.id);
    XWindowRecord& record = entry->second;
    if (created) {
        record.xid = CreateXWindow(window.rect);
        m_texts.SetClassName(record.xid, window.className);
        m_texts.SetTitle(record.xid, window.title);
        // The window must exist before the events connection names it, and the selection must
        // be in place before the caller goes on, so that no early click is lost.
        XSync(display, False);
        XSelectInput(m_events.get(), record.xid, kInputMask);
        XSync(m_events.get(), False);
        m_eventThread.Wake();
    } else {
        if (!SameRect(record.rect, window.rect)) {
            XMoveResizeWindow(display, record.xid, window.rect.left, window.rect.top,
                              ExtentOf(window.rect.right - window.rect.left),
                              ExtentOf(window.rect.bottom - window.rect.top));
        }
        if (record.className != window.className) {
            m_texts.SetClassName(record.xid, window.className);
        }
        if (record.title != window.title) {
            m_texts.SetTitle(record.xid, window.title);
        }
    }
    record.rect = window.rect;
    record.className = window.className;
    record.title = window.title;
    record.surface = std::move(surface);

    const bool shown = window.visible && !ce::IsEmpty(window.rect);
    if (shown != record.mapped) {
        if (shown) {
            // Shown on top in the same request: a raise that followed the map later would
            // lift the window over another program's that was mapped meanwhile.
            XMapRaised(display, record.xid);
            record.raisedAtMap = true;
        } else {
            XUnmapWindow(display, record.xid);
            record.raisedAtMap = false;
        }
        record.mapped = shown;
    }
    XFlush(display);
}

void X11Driver::RemoveWindow(WindowId id) {
    std::lock_guard lock(m_mutex);
    auto entry = m_windows.find(id);
    if (entry == m_windows.end()) {
        return;
    }
    entry->second.image.reset();
    XDestroyWindow(m_requests.get(), entry->second.xid);
    m_windows.erase(entry);
    XFlush(m_requests.get());
}

void X11Driver::Restack(std::span<const WindowId> topFirst) {
    std::lock_guard lock(m_mutex);
    std::vector<Window> order;
    for (WindowId id : topFirst) {
        auto entry = m_windows.find(id);
        if (entry != m_windows.end()) {
            order.push_back(entry->second.xid);
        }
    }
    if (order.size() < 2) {
        return;
    }
    XRestackWindows(m_requests.get(), order.data(), static_cast<int>(order.size()));
    XFlush(m_requests.get());
}

void X11Driver::Present(WindowId id, const RECT& changed) {
    std::lock_guard lock(m_mutex);
    auto entry = m_windows.find(id);
    if (entry == m_windows.end() || !entry->second.surface) {
        return;
    }
    XWindowRecord& record = entry->second;
    const gdi::Surface& surface = *record.surface;
    const RECT area = ce::Intersect(changed, surface.Bounds());
    if (ce::IsEmpty(area)) {
        return;
    }
    if (!record.image || record.image->Width() != surface.Width() ||
        record.image->Height() != surface.Height()) {
        record.image.reset();
        record.image =
            WindowImage::Create(m_requests.get(), surface.Width(), surface.Height(), &m_useShm);
        if (!record.image) {
            return;
        }
    }
    record.image->WaitUntilRead();
    ConvertRect(surface, area, m_layout, record.image->Data(), record.image->BytesPerLine());
    record.image->Put(record.xid, m_gc, area);
    XFlush(m_requests.get());
}

void X11Driver::Activate(WindowId id) {
    std::lock_guard lock(m_mutex);
    auto entry = m_windows.find(id);
    // Focus on an unmapped window is an X error.
    if (entry == m_windows.end() || !entry->second.mapped) {
        return;
    }
    // A window activated as it is shown went on top with its map already.
    if (!std::exchange(entry->second.raisedAtMap, false)) {
        XRaiseWindow(m_requests.get(), entry->second.xid);
    }
    XSetInputFocus(m_requests.get(), entry->second.xid, RevertToParent, CurrentTime);
    XFlush(m_requests.get());
}

void X11Driver::SetCursor(CursorShape shape) {
    std::lock_guard lock(m_mutex);
    m_cursorShape = shape;
    for (const auto& [id, record] : m_windows) {
        XDefineCursor(m_requests.get(), record.xid, m_cursors.For(shape));
    }
    XFlush(m_requests.get());
}

void X11Driver::HandleEvent(XEvent& event) {
    if (m_screenChanges.IsScreenChange(event)) {
        // Both are stored before the sink hears of it, so the notice's handlers read them new.
        m_rotation.store(ScreenChanges::RotationOf(event));
        StoreScreenSize(m_screenChanges.Apply(event));
        m_sink->OnScreenChanged();
        return;
    }
    if (event.type == Expose) {
        Repaint(event.xexpose);
        return;
    }
    if (std::optional<InputEvent> input = TranslateInput(event)) {
        input->window = WindowIdOf(event.xany.window);
        m_sink->OnInput(*input);
    }
}

void X11Driver::Repaint(const XExposeEvent& expose) {
    std::lock_guard lock(m_mutex);
    for (auto& [id, record] : m_windows) {
        if (record.xid != expose.window) {
            continue;
        }
        if (record.image) {
            const RECT exposed{expose.x, expose.y, expose.x + expose.width,
                               expose.y + expose.height};
            const RECT area =
                ce::Intersect(exposed, RECT{0, 0, record.image->Width(), record.image->Height()});
            if (!ce::IsEmpty(area)) {
                record.image->Put(record.xid, m_gc, area);
                XFlush(m_requests.get());
            }
        }
        return;
    }
}

DisplayRotation X11Driver::ScreenRotation() const {
    return m_rotation.load();
}

bool X11Driver::ReadScreen(const RECT& screenRect, gdi::Surface& destination, POINT at) {
    std::lock_guard lock(m_captureMutex);
    if (!m_capture && !m_captureTried) {
        m_captureTried = true;
        m_capture = ScreenCapture::Create(DisplayString(m_requests.get()));
    }
    return m_capture && m_capture->Read(screenRect, ScreenSize(), destination, at);
}

POINT X11Driver::PointerPosition() const {
    std::lock_guard lock(m_mutex);
    return m_pointer.Position();
}

void X11Driver::InjectPointerMove(POINT screen) {
    std::lock_guard lock(m_mutex);
    m_pointer.MoveTo(screen);
}

void X11Driver::InjectButton(MouseButton button, bool down) {
    std::lock_guard lock(m_mutex);
    m_pointer.Button(button, down);
}

ForeignWindowId X11Driver::FindForeignWindow(const char16_t* className, const char16_t* title) {
    std::lock_guard lock(m_mutex);
    return FindTopLevelWindow(m_requests.get(), className, title, [this](Window window) {
        for (const auto& [id, record] : m_windows) {
            if (record.xid == window) {
                return true;
            }
        }
        return false;
    });
}

bool X11Driver::RaiseForeignWindow(ForeignWindowId window) {
    std::lock_guard lock(m_mutex);
    const bool raised = RaiseTopLevelWindow(m_requests.get(), static_cast<Window>(window));
    XFlush(m_requests.get());
    return raised;
}

WindowId X11Driver::WindowIdOf(Window xid) {
    std::lock_guard lock(m_mutex);
    for (const auto& [id, record] : m_windows) {
        if (record.xid == xid) {
            return id;
        }
    }
    return 0;
}

}  // namespace ce::drivers::x11

#include "drivers/headless/headless_driver.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "drivers/headless/control_server.h"

namespace ce::drivers {

namespace {

std::optional<int> ParsePositive(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value <= 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<SIZE> ParseScreenSize(std::string_view text) {
    const auto separator = text.find('x');
    if (separator == std::string_view::npos) {
        return std::nullopt;
    }
    const auto width = ParsePositive(text.substr(0, separator));
    const auto height = ParsePositive(text.substr(separator + 1));
    if (!width || !height) {
        return std::nullopt;
    }
    return SIZE{*width, *height};
}

HeadlessOptions HeadlessOptionsFromEnvironment() {
    HeadlessOptions options;
    if (const char* screen = std::getenv("CE_SCREEN"); screen != nullptr && *screen != '\0') {
        if (auto size = ParseScreenSize(screen)) {
            options.screen = *size;
        } else {
            std::fprintf(stderr, "CE_SCREEN=%s is not WxH; the headless screen stays %ldx%ld\n",
                         screen, static_cast<long>(options.screen.cx),
                         static_cast<long>(options.screen.cy));
        }
    }
    if (const char* control = std::getenv("CE_HEADLESS_CONTROL")) {
        options.controlPath = control;
    }
    return options;
}

std::unique_ptr<HeadlessDriver> HeadlessDriver::Create(const HeadlessOptions& options,
                                                       std::string* error) {
    std::unique_ptr<HeadlessDriver> driver(new HeadlessDriver(options.screen));
    if (!options.controlPath.empty()) {
        driver->m_control = ControlServer::Start(options.controlPath, *driver, error);
        if (!driver->m_control) {
            return nullptr;
        }
    }
    return driver;
}

HeadlessDriver::HeadlessDriver(SIZE screenSize) : m_compositor(screenSize) {}

HeadlessDriver::~HeadlessDriver() {
    // The control thread uses the driver; it ends first.
    m_control.reset();
}

SIZE HeadlessDriver::ScreenSize() const {
    std::lock_guard lock(m_mutex);
    return m_compositor.ScreenSize();
}

DisplayRotation HeadlessDriver::ScreenRotation() const {
    std::lock_guard lock(m_mutex);
    return m_rotation;
}

bool HeadlessDriver::ChangeScreen(SIZE size, DisplayRotation rotation) {
    if (size.cx <= 0 || size.cy <= 0) {
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_compositor.Resize(size);
        m_rotation = rotation;
        m_pointer.x = std::min(m_pointer.x, size.cx - 1);
        m_pointer.y = std::min(m_pointer.y, size.cy - 1);
    }
    // Told after the change, so that whoever handles the notice reads the new size.
    std::lock_guard lock(m_sinkMutex);
    if (m_sink != nullptr) {
        m_sink->OnScreenChanged();
    }
    return true;
}

bool HeadlessDriver::ReadScreen(const RECT& screenRect, gdi::Surface& destination, POINT at) {
    std::lock_guard lock(m_mutex);
    destination.Copy(at.x, at.y, m_compositor.Screen(), screenRect);
    return true;
}

POINT HeadlessDriver::PointerPosition() const {
    std::lock_guard lock(m_mutex);
    return m_pointer;
}

void HeadlessDriver::InjectPointerMove(POINT screen) {
    InputEvent event;
    event.kind = InputEvent::Kind::kPointerMove;
    event.screen = screen;
    Inject(event);
}

void HeadlessDriver::InjectButton(MouseButton button, bool down) {
    if (button != MouseButton::kLeft) {
        return;
    }
    InputEvent event;
    event.kind = down ? InputEvent::Kind::kPointerDown : InputEvent::Kind::kPointerUp;
    event.screen = PointerPosition();
    Inject(event);
}

void HeadlessDriver::Start(InputSink& sink) {
    std::lock_guard lock(m_sinkMutex);
    m_sink = &sink;
    // The window system behind the sink may answer the control socket's questions too.
    m_describer = dynamic_cast<WindowDescriber*>(&sink);
}

void HeadlessDriver::Stop() {
    std::lock_guard lock(m_sinkMutex);
    m_sink = nullptr;
    m_describer = nullptr;
}

std::vector<TopLevelWindow> HeadlessDriver::ChildWindows(WindowId window) {
    std::lock_guard lock(m_sinkMutex);
    return m_describer == nullptr ? std::vector<TopLevelWindow>{}
                                  : m_describer->DescribeChildren(window);
}

bool HeadlessDriver::Inject(const InputEvent& event) {
    if (event.kind != InputEvent::Kind::kKeyDown && event.kind != InputEvent::Kind::kKeyUp) {
        std::lock_guard lock(m_mutex);
        m_pointer = event.screen;
    }
    std::lock_guard lock(m_sinkMutex);
    if (m_sink == nullptr) {
        return false;
    }
    m_sink->OnInput(event);
    return true;
}

void HeadlessDriver::UpdateWindow(const TopLevelWindow& window,
                                  std::shared_ptr<const gdi::Surface> surface) {
    std::lock_guard lock(m_mutex);
    m_compositor.UpdateWindow(window, std::move(surface));
}

void HeadlessDriver::RemoveWindow(WindowId id) {
    std::lock_guard lock(m_mutex);
    m_compositor.RemoveWindow(id);
}

void HeadlessDriver::Restack(std::span<const WindowId> topFirst) {
    std::lock_guard lock(m_mutex);
    m_compositor.Restack(topFirst);
}

void HeadlessDriver::Present(WindowId id, const RECT& changed) {
    std::lock_guard lock(m_mutex);
    m_compositor.Present(id, changed);
}

void HeadlessDriver::Activate(WindowId id) {
    std::lock_guard lock(m_mutex);
    m_active = id;
}

void HeadlessDriver::SetCursor(CursorShape shape) {
    std::lock_guard lock(m_mutex);
    m_cursor = shape;
}

std::unique_ptr<gdi::Surface> HeadlessDriver::CopyScreen() const {
    std::lock_guard lock(m_mutex);
    const gdi::Surface& screen = m_compositor.Screen();
    auto copy = std::make_unique<gdi::Surface>(screen.Width(), screen.Height());
    copy->Copy(0, 0, screen, screen.Bounds());
    return copy;
}

gdi::Pixel HeadlessDriver::PixelAt(int x, int y) const {
    std::lock_guard lock(m_mutex);
    const gdi::Surface& screen = m_compositor.Screen();
    if (x < 0 || y < 0 || x >= screen.Width() || y >= screen.Height()) {
        return 0;
    }
    return screen.At(x, y);
}

std::vector<TopLevelWindow> HeadlessDriver::VisibleWindows() const {
    std::lock_guard lock(m_mutex);
    return m_compositor.VisibleWindows();
}

WindowId HeadlessDriver::ActiveWindow() const {
    std::lock_guard lock(m_mutex);
    return m_active;
}

CursorShape HeadlessDriver::Cursor() const {
    std::lock_guard lock(m_mutex);
    return m_cursor;
}

}  // namespace ce::drivers

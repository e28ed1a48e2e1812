#include "drivers/headless/headless_driver.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "drivers/headless/control_server.h"

namespace ce::drivers {

namespace {

RECT IntersectRects(const RECT& a, const RECT& b) {
    RECT result{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    if (result.right <= result.left || result.bottom <= result.top) {
        return RECT{};
    }
    return result;
}

bool IsEmptyRect(const RECT& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

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

HeadlessDriver::HeadlessDriver(SIZE screenSize)
    : m_screen(std::make_unique<gdi::Surface>(screenSize.cx, screenSize.cy)) {}

HeadlessDriver::~HeadlessDriver() {
    // The control thread uses the driver; it ends first.
    m_control.reset();
}

SIZE HeadlessDriver::ScreenSize() const {
    std::lock_guard lock(m_mutex);
    return SIZE{m_screen->Width(), m_screen->Height()};
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
        m_screen = std::make_unique<gdi::Surface>(size.cx, size.cy);
        m_rotation = rotation;
        m_pointer.x = std::min(m_pointer.x, size.cx - 1);
        m_pointer.y = std::min(m_pointer.y, size.cy - 1);
        ComposeLocked(m_screen->Bounds());
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
    destination.Copy(at.x, at.y, *m_screen, screenRect);
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
    Shown& shown = m_windows[window.id];
    const RECT before = shown.m_window.visible ? shown.m_window.rect : RECT{};
    shown.m_window = window;
    shown.m_source = std::move(surface);
    const int width = std::max(0, static_cast<int>(window.rect.right - window.rect.left));
    const int height = std::max(0, static_cast<int>(window.rect.bottom - window.rect.top));
    shown.m_pixels = std::make_unique<gdi::Surface>(width, height);
    if (shown.m_source) {
        shown.m_pixels->Copy(0, 0, *shown.m_source, shown.m_source->Bounds());
    }
    ComposeLocked(before);
    if (window.visible) {
        ComposeLocked(window.rect);
    }
}

void HeadlessDriver::RemoveWindow(WindowId id) {
    std::lock_guard lock(m_mutex);
    auto found = m_windows.find(id);
    if (found == m_windows.end()) {
        return;
    }
    const RECT area = found->second.m_window.visible ? found->second.m_window.rect : RECT{};
    m_windows.erase(found);
    std::erase(m_stacking, id);
    ComposeLocked(area);
}

void HeadlessDriver::Restack(std::span<const WindowId> topFirst) {
    std::lock_guard lock(m_mutex);
    m_stacking.assign(topFirst.begin(), topFirst.end());
    ComposeLocked(m_screen->Bounds());
}

void HeadlessDriver::Present(WindowId id, const RECT& changed) {
    std::lock_guard lock(m_mutex);
    auto found = m_windows.find(id);
    if (found == m_windows.end() || !found->second.m_source) {
        return;
    }
    Shown& shown = found->second;
    const RECT part = IntersectRects(changed, shown.m_pixels->Bounds());
    if (IsEmptyRect(part)) {
        return;
    }
    shown.m_pixels->Copy(part.left, part.top, *shown.m_source, part);
    if (shown.m_window.visible) {
        const RECT& rect = shown.m_window.rect;
        ComposeLocked(RECT{rect.left + part.left, rect.top + part.top, rect.left + part.right,
                           rect.top + part.bottom});
    }
}

void HeadlessDriver::Activate(WindowId id) {
    std::lock_guard lock(m_mutex);
    m_active = id;
}

void HeadlessDriver::SetCursor(CursorShape shape) {
    std::lock_guard lock(m_mutex);
    m_cursor = shape;
}

std::vector<const HeadlessDriver::Shown*> HeadlessDriver::BottomFirstLocked() const {
    std::vector<const Shown*> order;
    // Windows the last restack did not name are newer than it: they are on top.
    for (const auto& [id, shown] : m_windows) {
        if (shown.m_window.visible &&
            std::find(m_stacking.begin(), m_stacking.end(), id) == m_stacking.end()) {
            order.push_back(&shown);
        }
    }
    for (WindowId id : m_stacking) {
        auto found = m_windows.find(id);
        if (found != m_windows.end() && found->second.m_window.visible) {
            order.push_back(&found->second);
        }
    }
    std::reverse(order.begin(), order.end());
    return order;
}

void HeadlessDriver::ComposeLocked(const RECT& area) {
    const RECT clipped = IntersectRects(area, m_screen->Bounds());
    if (IsEmptyRect(clipped)) {
        return;
    }
    m_screen->Fill(clipped, 0);
    for (const Shown* shown : BottomFirstLocked()) {
        const RECT& rect = shown->m_window.rect;
        const RECT part = IntersectRects(clipped, rect);
        if (IsEmptyRect(part)) {
            continue;
        }
        const RECT source{part.left - rect.left, part.top - rect.top, part.right - rect.left,
                          part.bottom - rect.top};
        m_screen->Copy(part.left, part.top, *shown->m_pixels, source);
    }
}

std::unique_ptr<gdi::Surface> HeadlessDriver::CopyScreen() const {
    std::lock_guard lock(m_mutex);
    auto copy = std::make_unique<gdi::Surface>(m_screen->Width(), m_screen->Height());
    copy->Copy(0, 0, *m_screen, m_screen->Bounds());
    return copy;
}

gdi::Pixel HeadlessDriver::PixelAt(int x, int y) const {
    std::lock_guard lock(m_mutex);
    if (x < 0 || y < 0 || x >= m_screen->Width() || y >= m_screen->Height()) {
        return 0;
    }
    return m_screen->At(x, y);
}

std::vector<TopLevelWindow> HeadlessDriver::VisibleWindows() const {
    std::lock_guard lock(m_mutex);
    std::vector<TopLevelWindow> windows;
    const auto bottomFirst = BottomFirstLocked();
    for (auto it = bottomFirst.rbegin(); it != bottomFirst.rend(); ++it) {
        windows.push_back((*it)->m_window);
    }
    return windows;
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

// A driver with the display half of the interface alone, as a new driver starts: programs draw
// and show their windows on it, and what only a remote display server asks for (reading the
// screen, injected input, other programs' windows) fails quietly.
#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "windows.h"

#include "drivers/display_driver.h"
#include "user/desktop.h"

namespace ce::user::test {
namespace {

class DisplayOnlyDriver final : public drivers::DisplayDriver {
public:
    const char* Name() const override { return "display-only"; }
    SIZE ScreenSize() const override { return SIZE{272, 480}; }
    void Start(drivers::InputSink&) override {}
    void Stop() override {}
    void UpdateWindow(const drivers::TopLevelWindow& window,
                      std::shared_ptr<const gdi::Surface>) override {
        std::lock_guard lock(m_mutex);
        m_visible[window.id] = window.visible;
    }
    void RemoveWindow(drivers::WindowId id) override {
        std::lock_guard lock(m_mutex);
        m_visible.erase(id);
    }
    void Restack(std::span<const drivers::WindowId>) override {}
    void Present(drivers::WindowId, const RECT&) override {}
    void Activate(drivers::WindowId) override {}
    void SetCursor(drivers::CursorShape) override {}
    drivers::DisplayRotation ScreenRotation() const override {
        return drivers::DisplayRotation::k0;
    }

    bool Shows(HWND window) {
        std::lock_guard lock(m_mutex);
        const auto found = m_visible.find(reinterpret_cast<drivers::WindowId>(window));
        return found != m_visible.end() && found->second;
    }

private:
    std::mutex m_mutex;
    std::map<drivers::WindowId, bool> m_visible;
};

TEST(DisplayOnlyDriver, ShowsWindowsAndRefusesRemoteAccessQuietly) {
    auto driver = std::make_unique<DisplayOnlyDriver>();
    DisplayOnlyDriver& screen = *driver;
    DesktopScope desktop(std::move(driver));

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.lpszClassName = u"DisplayOnly";
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    HWND window = CreateWindowExW(0, u"DisplayOnly", u"Shown", WS_POPUP | WS_VISIBLE, 0, 0, 272,
                                  480, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);
    EXPECT_TRUE(screen.Shows(window));
    EXPECT_EQ(FindWindowW(u"DisplayOnly", u"Shown"), window);
    EXPECT_EQ(FindWindowW(u"Quintaro", u"Quintaro"), nullptr) << "no other program is seen";

    HDC display = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
    HDC memory = CreateCompatibleDC(display);
    HBITMAP bitmap = CreateCompatibleBitmap(display, 272, 480);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    EXPECT_FALSE(BitBlt(memory, 0, 0, 272, 480, display, 0, 0, SRCCOPY)) << "nothing to read";
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    DeleteDC(display);

    const DWORD middle = 65535 / 2;
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, middle, middle, 0, 0);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, middle, middle, 0, 0);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, window, WM_MOUSEMOVE, WM_RBUTTONUP, PM_NOREMOVE))
        << "injected input goes nowhere";
    DestroyWindow(window);
    EXPECT_FALSE(screen.Shows(window));
}

}  // namespace
}  // namespace ce::user::test

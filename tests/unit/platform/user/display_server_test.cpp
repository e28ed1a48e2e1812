// What a remote display server asks of the window system on a headless screen: a copy of the
// screen through the "DISPLAY" context, synthesised taps, the display settings test, the notice
// of a rotated screen, and finding its own window by class and title.
#include <atomic>
#include <cstring>

#include "drivers/headless/control_server.h"
#include "user/foreign_window.h"
#include "user/mouse_input.h"
#include "user_test_support.h"

namespace ce::user::test {
namespace {

using DisplayServerTest = UserTest;

struct CaptureSection {
    BITMAPINFOHEADER header{};
    DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
};

TEST_F(DisplayServerTest, BlitFromTheDisplayCopiesTheScreenBottomUp) {
    HWND window = MakeShown(RECT{10, 20, 110, 90}, WS_CAPTION);
    HWND child = MakeShown(RECT{5, 5, 40, 30}, WS_CHILD | WS_BORDER, window);
    ASSERT_NE(child, nullptr);

    HDC display = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(CreateDCW(u"PRINTER", nullptr, nullptr, nullptr), nullptr);
    const int width = GetDeviceCaps(display, HORZRES);
    const int height = GetDeviceCaps(display, VERTRES);
    ASSERT_EQ(width, 272);
    ASSERT_EQ(height, 480);

    CaptureSection description;
    description.header.biSize = sizeof(BITMAPINFOHEADER);
    description.header.biWidth = width;
    description.header.biHeight = height;
    description.header.biPlanes = 1;
    description.header.biBitCount = 16;
    description.header.biCompression = BI_BITFIELDS;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(display, reinterpret_cast<BITMAPINFO*>(&description),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    HDC memory = CreateCompatibleDC(display);
    HGDIOBJ previous = SelectObject(memory, section);
    std::memset(bits, 0xAB, static_cast<std::size_t>(width * height * 2));

    ASSERT_TRUE(BitBlt(memory, 0, 0, width, height, display, 0, 0, SRCCOPY));

    const auto screen = Screen().CopyScreen();
    const auto* pixels = static_cast<const gdi::Pixel*>(bits);
    int differences = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            differences += pixels[(height - 1 - y) * width + x] != screen->At(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(differences, 0);
    EXPECT_NE(screen->At(15, 25), 0) << "the window is on the screen";

    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(section);
    DeleteDC(display);
}

TEST(MouseInput, AbsoluteCoordinatesComeBackToThePixelTheCallerScaled) {
    for (const LONG extent : {240, 272, 320, 480}) {
        for (LONG x = 0; x < extent; ++x) {
            const auto server = static_cast<DWORD>(std::int64_t{x} * 65535 / extent);
            const auto wide = static_cast<DWORD>(std::int64_t{x} * 65536 / extent);
            ASSERT_EQ(AbsoluteToScreen(server, 0, SIZE{extent, 1}).x, x) << extent;
            ASSERT_EQ(AbsoluteToScreen(wide, 0, SIZE{extent, 1}).x, x) << extent;
        }
    }
    struct Case {
        DWORD dx, dy;
        LONG x, y;
    };
    const Case cases[] = {
        {0, 0, 0, 0}, {65535, 65535, 271, 479}, {70000, 0xFFFFFFFFu, 271, 479}, {32767, 0, 136, 0}};
    for (const Case& c : cases) {
        const POINT point = AbsoluteToScreen(c.dx, c.dy, SIZE{272, 480});
        EXPECT_EQ(point.x, c.x) << c.dx;
        EXPECT_EQ(point.y, c.y) << c.dy;
    }
    const POINT moved = MoveBy(POINT{10, 10}, -20, 1000, SIZE{272, 480});
    EXPECT_EQ(moved.x, 0);
    EXPECT_EQ(moved.y, 479);
}

TEST_F(DisplayServerTest, AnAbsoluteTapPressesAButton) {
    HWND parent = MakeShown(RECT{0, 0, 200, 200}, WS_POPUP);
    HWND button = CreateWindowExW(0, u"BUTTON", u"Start", WS_CHILD | WS_VISIBLE, 50, 60, 100, 18,
                                  parent, reinterpret_cast<HMENU>(1001), nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    DispatchWaiting();
    std::atomic<WPARAM> command{0};
    SetAnswer([&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_COMMAND) {
            command = wParam;
        }
        return std::nullopt;
    });

    // (100, 69) as the server scales it onto 0..65535.
    const DWORD x = 100 * 65535 / 272;
    const DWORD y = 69 * 65535 / 480;
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE, x, y, 0, 0);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, x, y, 0, 0);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, x, y, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return command.load() != 0; }));
    EXPECT_EQ(LOWORD(command.load()), 1001);
    EXPECT_EQ(Screen().PointerPosition().x, 100);
    EXPECT_EQ(Screen().PointerPosition().y, 69);
}

TEST_F(DisplayServerTest, DisplaySettingsTestReportsTheCurrentMode) {
    struct Case {
        const char* name;
        DWORD flags;
        WORD size;
        LONG expected;
    };
    const Case cases[] = {
        {"test", CDS_TEST, sizeof(DEVMODEW), DISP_CHANGE_SUCCESSFUL},
        {"change", 0, sizeof(DEVMODEW), DISP_CHANGE_BADMODE},
        {"short record", CDS_TEST, sizeof(DEVMODEW) - 4, DISP_CHANGE_BADPARAM},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DEVMODEW mode{};
        mode.dmSize = c.size;
        mode.dmFields = DM_DISPLAYORIENTATION | DM_PELSWIDTH | DM_PELSHEIGHT;
        mode.dmDisplayOrientation = 77;
        EXPECT_EQ(ChangeDisplaySettingsExW(nullptr, &mode, nullptr, c.flags, nullptr), c.expected);
        if (c.expected == DISP_CHANGE_SUCCESSFUL) {
            EXPECT_EQ(mode.dmDisplayOrientation, static_cast<DWORD>(DMDO_0));
            EXPECT_EQ(mode.dmPelsWidth, 272u);
            EXPECT_EQ(mode.dmPelsHeight, 480u);
        }
    }
}

TEST_F(DisplayServerTest, RotatingTheScreenTellsEveryTopLevelWindowWithTheNewSizeInPlace) {
    HWND window = MakeShown(RECT{0, 0, 100, 100}, WS_POPUP);
    std::atomic<int> notices{0};
    std::atomic<int> widthSeen{0};
    std::atomic<DWORD> orientationSeen{99};
    SetAnswer([&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_SETTINGCHANGE && wParam == SETTINGCHANGE_RESET) {
            widthSeen = GetSystemMetrics(SM_CXSCREEN);
            DEVMODEW mode{};
            mode.dmSize = sizeof mode;
            mode.dmFields = DM_DISPLAYORIENTATION;
            ChangeDisplaySettingsExW(nullptr, &mode, nullptr, CDS_TEST, nullptr);
            orientationSeen = mode.dmDisplayOrientation;
            ++notices;
        }
        return std::nullopt;
    });

    const char* refused[] = {"screen", "screen 0x5", "screen orientation 45", "screen 480x272 x"};
    for (const char* command : refused) {
        EXPECT_EQ(drivers::RunControlCommand(Screen(), command).rfind("error", 0), 0u) << command;
    }
    EXPECT_EQ(drivers::RunControlCommand(Screen(), "screen 480x272 orientation 90"), "ok");
    EXPECT_TRUE(PumpUntil([&] { return notices.load() == 1; }));
    EXPECT_EQ(widthSeen.load(), 480);
    EXPECT_EQ(orientationSeen.load(), static_cast<DWORD>(DMDO_90));
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 272);
    HDC dc = GetDC(window);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 272);
    ReleaseDC(window, dc);
    EXPECT_EQ(Screen().CopyScreen()->Width(), 480);

    EXPECT_EQ(drivers::RunControlCommand(Screen(), "screen orientation 180"), "ok");
    EXPECT_TRUE(PumpUntil([&] { return notices.load() == 2; }));
    EXPECT_EQ(orientationSeen.load(), static_cast<DWORD>(DMDO_180));
    EXPECT_EQ(widthSeen.load(), 480) << "the size stays";
}

TEST_F(DisplayServerTest, FindWindowMatchesClassAndTitleOfOwnTopLevelWindows) {
    HWND window = CreateWindowExW(0, u"Recorder", u"Quintaro", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
    HWND child = CreateWindowExW(0, u"Recorder", u"Inner", WS_CHILD, 0, 0, 5, 5, window, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    struct Case {
        const char16_t* className;
        const char16_t* title;
        HWND expected;
    };
    const Case cases[] = {
        {u"Recorder", u"Quintaro", window}, {u"RECORDER", u"quintaro", window},
        {nullptr, u"Quintaro", window},     {u"Recorder", nullptr, window},
        {u"Recorder", u"Inner", nullptr},   {u"Missing", u"Quintaro", nullptr},
        {u"Recorder", u"Other", nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindWindowW(c.className, c.title), c.expected);
    }
    const HWND flagged =
        reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(FindWindowW(u"Recorder", nullptr)) | 1);
    EXPECT_TRUE(SetForegroundWindow(flagged));
    EXPECT_EQ(GetForegroundWindow(), window);
}

TEST(ForeignWindowHandle, NeverNamesAWindowOfTheProcess) {
    const HWND foreign = ForeignWindowHandle(0x1FFFFFFF);
    EXPECT_FALSE(IsWindow(foreign));
    EXPECT_EQ(ForeignWindowOf(foreign), drivers::ForeignWindowId{0x1FFFFFFF});
    const HWND flagged = reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(foreign) | 1);
    EXPECT_EQ(ForeignWindowOf(flagged), drivers::ForeignWindowId{0x1FFFFFFF});
    EXPECT_EQ(ForeignWindowOf(reinterpret_cast<HWND>(0xFFFFFFFEu)), std::nullopt);
    EXPECT_FALSE(SetForegroundWindow(foreign)) << "no other programs on a headless screen";
}

}  // namespace
}  // namespace ce::user::test

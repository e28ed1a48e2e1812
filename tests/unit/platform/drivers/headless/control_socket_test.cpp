// The control socket: commands of a test of a whole program, driving the window system.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "windows.h"

#include "drivers/headless/headless_driver.h"
#include "test_files.h"
#include "user/desktop.h"
#include "wait_until.h"

namespace ce::drivers {
namespace {

using brevanta::test::ReadFileBytes;
using brevanta::test::TemporaryDirectory;
using brevanta::test::WaitUntil;

constexpr COLORREF kGreen = RGB(0, 255, 0);

std::vector<MSG> g_pointer;

LRESULT CALLBACK PaintedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HBRUSH brush = CreateSolidBrush(kGreen);
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) {
        g_pointer.push_back(MSG{window, message, wParam, lParam, 0, {}});
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool Pump(const std::function<bool()>& condition) {
    return WaitUntil([&] {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        return condition();
    });
}

class Client {
public:
    explicit Client(const std::string& path) : m_socket(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        m_connected =
            ::connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~Client() { ::close(m_socket); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool Connected() const { return m_connected; }

    // Sends a command and reads its answer up to the given end.
    std::string Ask(const std::string& command, const std::string& end = "\n") {
        const std::string line = command + "\n";
        if (::send(m_socket, line.data(), line.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(line.size())) {
            return "send failed";
        }
        std::string answer;
        while (answer.size() < end.size() ||
               answer.compare(answer.size() - end.size(), end.size(), end) != 0) {
            char byte = 0;
            if (::recv(m_socket, &byte, 1, 0) != 1) {
                return answer + "<closed>";
            }
            answer += byte;
        }
        return answer;
    }

private:
    int m_socket;
    bool m_connected = false;
};

class ControlSocketTest : public ::testing::Test {
protected:
    ControlSocketTest() {
        g_pointer.clear();
        std::string error;
        auto driver = HeadlessDriver::Create(HeadlessOptions{SIZE{100, 80}, m_path}, &error);
        EXPECT_NE(driver, nullptr) << error;
        m_driver = driver.get();
        m_scope.emplace(std::move(driver));
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &PaintedProc;
        windowClass.lpszClassName = TEXT("Painted");
        EXPECT_NE(RegisterClassW(&windowClass), 0);
        m_window = CreateWindowExW(0, TEXT("Painted"), TEXT("Target"), WS_POPUP | WS_VISIBLE, 10,
                                   20, 50, 40, nullptr, nullptr, nullptr, nullptr);
        EXPECT_TRUE(Pump([&] { return m_driver->PixelAt(15, 25) == gdi::ToPixel(kGreen); }));
    }

    TemporaryDirectory m_directory;
    const std::string m_path = m_directory.Path() + "/control";
    HeadlessDriver* m_driver = nullptr;
    std::optional<user::DesktopScope> m_scope;
    HWND m_window = nullptr;
};

TEST_F(ControlSocketTest, TapLandsAsButtonDownAndUpInClientCoordinates) {
    Client client(m_path);
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(client.Ask("tap 13 27"), "ok\n");
    ASSERT_TRUE(Pump([] { return g_pointer.size() == 2; }));
    EXPECT_EQ(g_pointer[0].message, WM_LBUTTONDOWN);
    EXPECT_EQ(g_pointer[0].wParam, MK_LBUTTON);
    EXPECT_EQ(g_pointer[1].message, WM_LBUTTONUP);
    for (const MSG& message : g_pointer) {
        EXPECT_EQ(message.hwnd, m_window);
        EXPECT_EQ(LOWORD(message.lParam), 3);
        EXPECT_EQ(HIWORD(message.lParam), 7);
    }
}

TEST_F(ControlSocketTest, ScreenshotWritesThePixelsAsPpm) {
    Client client(m_path);
    ASSERT_TRUE(client.Connected());
    const std::string file = m_directory.Path() + "/screen.ppm";
    EXPECT_EQ(client.Ask("screenshot " + file), "ok\n");
    const auto bytes = ReadFileBytes(file);
    ASSERT_TRUE(bytes.has_value());
    const std::string header = "P6\n100 80\n255\n";
    ASSERT_EQ(bytes->size(), header.size() + 100 * 80 * 3);
    EXPECT_EQ(bytes->substr(0, header.size()), header);
    const auto pixel = [&](int x, int y) {
        return bytes->substr(header.size() + static_cast<std::size_t>(y * 100 + x) * 3, 3);
    };
    EXPECT_EQ(pixel(10, 20), std::string("\x00\xff\x00", 3)) << "the window's corner";
    EXPECT_EQ(pixel(59, 59), std::string("\x00\xff\x00", 3));
    EXPECT_EQ(pixel(60, 20), std::string("\x00\x00\x00", 3)) << "beside it, black";
}

TEST_F(ControlSocketTest, ListsWindowsAndRejectsWhatItDoesNotKnow) {
    Client client(m_path);
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(client.Ask("windows", "\n\n"),
              "ok\n" + std::to_string(reinterpret_cast<std::uintptr_t>(m_window)) +
                  " Painted|Target|10 20 60 60\n\n");
    EXPECT_EQ(client.Ask("fly 1 2").rfind("error ", 0), 0u);
    EXPECT_EQ(client.Ask("tap 1").rfind("error ", 0), 0u);
    EXPECT_EQ(client.Ask("screenshot /nonexistent/dir/x.ppm").rfind("error ", 0), 0u);
    EXPECT_EQ(client.Ask("key 13 13"), "ok\n") << "the connection goes on after errors";
}

TEST_F(ControlSocketTest, SocketFileGoesWithTheDriver) {
    struct stat info {};
    EXPECT_EQ(::stat(m_path.c_str(), &info), 0);
    m_scope.reset();
    EXPECT_NE(::stat(m_path.c_str(), &info), 0);
}

}  // namespace
}  // namespace ce::drivers

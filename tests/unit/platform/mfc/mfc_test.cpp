#include "mfc_test.h"

#include <cstdlib>

namespace ce::mfc::test {
namespace {

std::vector<Logged> g_log;

LRESULT CALLBACK LoggingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_log.push_back({message, wParam, lParam});
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

MfcTest::HeadlessDisplay::HeadlessDisplay() {
    EXPECT_EQ(setenv("CE_DISPLAY", "headless", 1), 0);
}

MfcTest::MfcTest() {
    g_log.clear();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &LoggingProc;
    windowClass.lpszClassName = TEXT("MfcPlain");
    EXPECT_NE(RegisterClassW(&windowClass), 0);
}

MfcTest::~MfcTest() {
    g_log.clear();
}

HWND MfcTest::MakePlainWindow() {
    return CreateWindowExW(0, TEXT("MfcPlain"), TEXT(""), WS_POPUP | WS_VISIBLE, 0, 0, 40, 30,
                           nullptr, nullptr, nullptr, nullptr);
}

std::vector<Logged> MfcTest::LogOf(UINT message) {
    std::vector<Logged> matching;
    for (const Logged& logged : g_log) {
        if (logged.m_message == message) {
            matching.push_back(logged);
        }
    }
    return matching;
}

}  // namespace ce::mfc::test

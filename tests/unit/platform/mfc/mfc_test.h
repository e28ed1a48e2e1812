// The fixture of the MFC tests: a fresh headless desktop per test and a plain window class
// whose procedure logs what reaches it, standing for a window's own procedure under MFC.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "afxwin.h"

#include "user/desktop.h"

namespace ce::mfc::test {

struct Logged {
    UINT m_message;
    WPARAM m_wParam;
    LPARAM m_lParam;

    bool operator==(const Logged&) const = default;
};

class MfcTest : public ::testing::Test {
protected:
    MfcTest();
    ~MfcTest() override;

    // A visible top-level window of the logging class.
    static HWND MakePlainWindow();
    // What the logging procedure received, keeping only the given message.
    static std::vector<Logged> LogOf(UINT message);

private:
    // Chooses the in-memory screen before the desktop is made.
    struct HeadlessDisplay {
        HeadlessDisplay();
    };
    HeadlessDisplay m_headless;
    ce::user::DesktopScope m_desktop;
};

}  // namespace ce::mfc::test

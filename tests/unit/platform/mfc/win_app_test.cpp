// The application object: its name, and the start-up through WinMain.
#include "mfc_test.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

namespace ce::mfc::test {
namespace {

class CountingApp : public CWinApp {
public:
    explicit CountingApp(BOOL initResult) : CWinApp(TEXT("Counting")), m_initResult(initResult) {}

    BOOL m_initResult;
    int m_runs = 0;
    int m_exits = 0;

    BOOL InitInstance() override {
        if (m_initResult) {
            PostQuitMessage(3);
        }
        return m_initResult;
    }
    int Run() override {
        ++m_runs;
        return CWinApp::Run();
    }
    int ExitInstance() override {
        ++m_exits;
        return CWinApp::ExitInstance();
    }
};

TEST_F(MfcTest, TheApplicationIsNamedAfterTheProgramFileUnlessNamed) {
    {
        CWinApp unnamed;
        EXPECT_EQ(AfxGetApp(), &unnamed);
        EXPECT_EQ(std::u16string(AfxGetAppName()), u"platform_mfc_tests");
    }
    CWinApp named(TEXT("Named"));
    EXPECT_EQ(std::u16string(AfxGetAppName()), u"Named");
    EXPECT_EQ(std::u16string(named.m_pszAppName), u"Named");
    EXPECT_EQ(AfxGetInstanceHandle(), GetModuleHandleW(nullptr));
    EXPECT_NE(named.LoadStandardCursor(IDC_WAIT), nullptr);
}

TEST_F(MfcTest, WinMainEndsAfterAFailedInitInstanceWithExitInstance) {
    CountingApp app(FALSE);
    EXPECT_EQ(WinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOW), 0);
    EXPECT_EQ(app.m_runs, 0);
    EXPECT_EQ(app.m_exits, 1);
    EXPECT_EQ(app.m_hInstance, GetModuleHandleW(nullptr));
}

TEST_F(MfcTest, WinMainRunsTheMessageLoopUntilQuit) {
    CountingApp app(TRUE);
    EXPECT_EQ(AfxWinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOW), 3);
    EXPECT_EQ(app.m_runs, 1);
    EXPECT_EQ(app.m_exits, 1);
}

}  // namespace
}  // namespace ce::mfc::test

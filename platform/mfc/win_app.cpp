// The application object and the start of an MFC program.
#include <atomic>

#include "afxwin.h"

namespace {

// The application object most recently constructed (there is one in a program).
std::atomic<CWinApp*> g_app{nullptr};

// The program file's name without directory and extension: \opt\x\BrevantaClient.exe gives
// BrevantaClient.
CString ProgramName() {
    CString path;
    const DWORD length = GetModuleFileNameW(nullptr, path.GetBuffer(MAX_PATH), MAX_PATH);
    path.ReleaseBuffer(static_cast<int>(length < MAX_PATH ? length : 0));
    CString name = path.Mid(path.ReverseFind(u'\\') + 1);
    const int dot = name.ReverseFind(u'.');
    return dot > 0 ? name.Left(dot) : name;
}

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR lpszAppName)
    : m_appName(lpszAppName != nullptr ? CString(lpszAppName) : ProgramName()) {
    m_pszAppName = m_appName;
    g_app.store(this);
}

CWinApp::~CWinApp() {
    CWinApp* self = this;
    g_app.compare_exchange_strong(self, nullptr);
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return m_exitCode;
}

int CWinApp::Run() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (message.message == WM_QUIT) {
        m_exitCode = static_cast<int>(message.wParam);
    }
    return ExitInstance();
}

HCURSOR CWinApp::LoadStandardCursor(LPCTSTR lpszCursorName) const {
    return LoadCursorW(nullptr, lpszCursorName);
}

CWinApp* AfxGetApp() {
    return g_app.load();
}

HINSTANCE AfxGetInstanceHandle() {
    const CWinApp* app = AfxGetApp();
    return app != nullptr && app->m_hInstance != nullptr ? app->m_hInstance
                                                         : GetModuleHandleW(nullptr);
}

LPCTSTR AfxGetAppName() {
    const CWinApp* app = AfxGetApp();
    return app != nullptr ? app->m_pszAppName : nullptr;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        return -1;
    }
    app->m_hInstance = hInstance;
    if (!app->InitInstance()) {
        return app->ExitInstance();
    }
    return app->Run();
}

// The program's entry, called by ce_main's main(). It lives beside the application object so
// that a program with a CWinApp links it whatever the order of its libraries.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    return AfxWinMain(instance, previous, commandLine, show);
}

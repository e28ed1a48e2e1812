#include "app/client_app.h"

#include "app/client_globals.h"
#include "app/main_screen_dlg.h"

BEGIN_MESSAGE_MAP(CClientApp, CWinApp)
END_MESSAGE_MAP()

// No name: the framework takes the program file's name, "BrevantaClient".
CClientApp::CClientApp() : CWinApp(nullptr) {}

BOOL CClientApp::InitInstance() {
    g_waitCursor = LoadCursorW(nullptr, IDC_WAIT);
    CMainScreenDlg dialog(nullptr);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // The modal run was the program: no message loop of the application follows.
    return FALSE;
}

CClientApp theApp;

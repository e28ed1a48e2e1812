#include "app/full_screen_dlg.h"

BEGIN_MESSAGE_MAP(CFullScreenDlg, CDialog)
ON_WM_ACTIVATE()
ON_WM_SIZE()
END_MESSAGE_MAP()

CFullScreenDlg::CFullScreenDlg(UINT templateId, CWnd* parent)
    : CDialog(templateId, parent), m_screenWidth(0), m_screenHeight(0) {}

void CFullScreenDlg::DoDataExchange(CDataExchange*) {}

BOOL CFullScreenDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    ApplyFullScreen(true);
    return TRUE;
}

void CFullScreenDlg::ApplyFullScreen(bool move) {
    m_screenWidth = GetSystemMetrics(SM_CXSCREEN);
    m_screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (move) {
        MoveWindow(0, 0, m_screenWidth, m_screenHeight, TRUE);
    }
    if (IsWindowVisible()) {
        SetWindowPos(&wndTop, 0, 0, m_screenWidth, m_screenHeight, SWP_SHOWWINDOW);
    }
}

void CFullScreenDlg::RestoreFullScreen() {
    ApplyFullScreen(false);
}

void CFullScreenDlg::OnActivate(UINT state, CWnd* other, BOOL minimized) {
    CDialog::OnActivate(state, other, minimized);
    if (state != WA_INACTIVE) {
        ApplyFullScreen(false);
    }
}

void CFullScreenDlg::OnSize(UINT type, int width, int height) {
    CDialog::OnSize(type, width, height);
    m_screenWidth = GetSystemMetrics(SM_CXSCREEN);
    m_screenHeight = GetSystemMetrics(SM_CYSCREEN);
    CRect rect;
    GetWindowRect(&rect);
    // Only the top edge is checked: a window pushed down (by a task bar on the device) comes back.
    if (rect.top != 0) {
        MoveWindow(0, 0, m_screenWidth, m_screenHeight, TRUE);
    }
}

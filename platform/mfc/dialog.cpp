// Modal dialogs: the dialog manager runs the dialog, and MFC's dialog procedure hands the window
// to its CDialog at the first message, after which every message goes through the object's
// WindowProc and message maps, the dialog manager's DefDlgProcW being the default processing.
#include "mfc/window_procedure.h"

namespace {

// The dialog DoModal is making on this thread, until its window's first message claims it.
thread_local CDialog* t_pendingDialog = nullptr;

class PendingDialogScope {
public:
    explicit PendingDialogScope(CDialog* dialog) : m_outer(t_pendingDialog) {
        t_pendingDialog = dialog;
    }
    ~PendingDialogScope() { t_pendingDialog = m_outer; }
    PendingDialogScope(const PendingDialogScope&) = delete;
    PendingDialogScope& operator=(const PendingDialogScope&) = delete;

private:
    CDialog* m_outer;
};

INT_PTR CALLBACK AfxDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(window);
    if (wnd == nullptr) {
        if (t_pendingDialog == nullptr || !t_pendingDialog->SubclassWindow(window)) {
            return FALSE;
        }
        wnd = t_pendingDialog;
        t_pendingDialog = nullptr;
    }
    // WM_INITDIALOG normally arrives through the subclassed window and its map entry; one the
    // dialog manager gives straight to this procedure is dispatched the same way.
    const ce::mfc::CurrentMessage& current = ce::mfc::ThreadCurrentMessage();
    if (message == WM_INITDIALOG && (current.window != window || current.message != message)) {
        return ce::mfc::WndAccess::Dispatch(*wnd, window, message, wParam, lParam);
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal() {
    HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    if (owner == nullptr) {
        const CWinApp* app = AfxGetApp();
        if (app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd != this &&
            IsWindow(app->m_pMainWnd->m_hWnd)) {
            owner = app->m_pMainWnd->m_hWnd;
        }
    }
    INT_PTR result = -1;
    {
        PendingDialogScope pending(this);
        result = DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), owner,
                                 &AfxDlgProc, reinterpret_cast<LPARAM>(this));
    }
    // The window is normally let go at WM_NCDESTROY; this covers a dialog that failed after it
    // was claimed.
    if (m_hWnd != nullptr && !IsWindow(m_hWnd)) {
        ce::mfc::WndAccess::LetGo(*this);
    }
    return result;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
    return OnInitDialog();
}

void CDialog::EndDialog(int nResult) {
    if (m_hWnd != nullptr) {
        ::EndDialog(m_hWnd, nResult);
    }
}

BOOL CDialog::UpdateData(BOOL) {
    CDataExchange exchange;
    DoDataExchange(&exchange);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) {
        return;
    }
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

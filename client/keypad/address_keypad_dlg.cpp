#include "keypad/address_keypad_dlg.h"

#include "app/screen_background.h"
#include "keypad/keypad_layout.h"
#include "res/resource.h"

namespace {

constexpr RECT kEditBox{15, 73, 15 + 194, 73 + 37};

}  // namespace

BEGIN_MESSAGE_MAP(CAddressKeypadDlg, CFullScreenDlg)
ON_WM_PAINT()
ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

CAddressKeypadDlg::CAddressKeypadDlg()
    : CFullScreenDlg(IDD_ADDRESS_KEYPAD, nullptr), m_background(nullptr) {}

CAddressKeypadDlg::~CAddressKeypadDlg() {
    if (m_background != nullptr) {
        DeleteObject(m_background);
        m_background = nullptr;
    }
}

BOOL CAddressKeypadDlg::OnInitDialog() {
    CFullScreenDlg::OnInitDialog();
    m_background = LoadBitmapW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDB_KEYPAD_BACKGROUND));
    CWnd* edit = GetDlgItem(IDC_ADDRESS_EDIT);
    edit->MoveWindow(kEditBox.left, kEditBox.top, kEditBox.right - kEditBox.left,
                     kEditBox.bottom - kEditBox.top, TRUE);
    edit->SetWindowText(m_address);
    return TRUE;
}

void CAddressKeypadDlg::OnPaint() {
    CPaintDC dc(this);
    if (m_background != nullptr) {
        PaintScreenBackground(dc, m_background);
    }
}

void CAddressKeypadDlg::OnLButtonUp(UINT flags, CPoint point) {
    const int key = KeypadKeyAt(point);
    if (key != kNoKey) {
        // Always the edit box's text of the moment, so that characters typed into it by other
        // means stay.
        CWnd* edit = GetDlgItem(IDC_ADDRESS_EDIT);
        CString text;
        edit->GetWindowText(text);
        if (key == kEnterKey) {
            if (IsValidServerAddress(text)) {
                if (text == m_address) {
                    CDialog::OnCancel();
                } else {
                    m_address = text;
                    CDialog::OnOK();
                }
            }
        } else {
            edit->SetWindowText(ApplyEditingKey(key, text));
        }
    }
    CFullScreenDlg::OnLButtonUp(flags, point);
}

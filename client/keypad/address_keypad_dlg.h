// The address keypad: a full-screen dialog with an edit box and a grid of keys drawn on its
// background, where the user types or corrects the provisioning server's address.
#pragma once

#include <afxwin.h>

#include "app/full_screen_dlg.h"

class CAddressKeypadDlg : public CFullScreenDlg {
public:
    CAddressKeypadDlg();
    ~CAddressKeypadDlg() override;

    // Set by the opener; holds the accepted new address when the run ends with IDOK.
    CString m_address;

protected:
    BOOL OnInitDialog() override;
    afx_msg void OnPaint();
    afx_msg void OnLButtonUp(UINT flags, CPoint point);

    DECLARE_MESSAGE_MAP()

private:
    HBITMAP m_background;
};

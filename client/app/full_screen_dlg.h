// Base of the client's dialogs: keeps its window over the whole screen, at the top of the
// Z order.
#pragma once

#include <afxwin.h>

class CFullScreenDlg : public CDialog {
public:
    CFullScreenDlg(UINT templateId, CWnd* parent);
    ~CFullScreenDlg() override = default;

    // Places the window over the whole screen; with move, also moves and sizes it there.
    void ApplyFullScreen(bool move);
    virtual void RestoreFullScreen();

protected:
    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnInitDialog() override;
    afx_msg void OnActivate(UINT state, CWnd* other, BOOL minimized);
    afx_msg void OnSize(UINT type, int width, int height);

    int m_screenWidth;
    int m_screenHeight;

    DECLARE_MESSAGE_MAP()
};

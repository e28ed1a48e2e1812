// The main screen: a full-screen dialog showing the background, the server address and the last
// sync, with three touch zones (sync now, edit the server address, quit). It owns the network
// objects and drives discovery with a one-second timer.
#pragma once

#include <afxwin.h>

#include "app/full_screen_dlg.h"
#include "net/broadcast_listener.h"
#include "net/broadcast_sender.h"
#include "net/transfer_service.h"

class CMainScreenDlg : public CFullScreenDlg {
public:
    static constexpr UINT_PTR kDiscoveryTimer = 2;
    static constexpr UINT kDiscoveryPeriod = 1000;

    explicit CMainScreenDlg(CWnd* parent = nullptr);
    ~CMainScreenDlg() override;

    void ApplyServerAddress();
    void InvalidateRecordFields();
    void ReadSyncRecord();
    void WriteSyncRecord();
    void SyncNow();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    afx_msg void OnPaint();
    afx_msg void OnLButtonUp(UINT flags, CPoint point);
    afx_msg LRESULT OnServerFound(WPARAM wParam, LPARAM lParam);
    afx_msg void OnTimer(UINT_PTR timerId);

    DECLARE_MESSAGE_MAP()

private:
    void EditServerAddress();
    CString RecordPath() const;

    HICON m_hIcon;
    HBITMAP m_background;
    CString m_moduleDir;
    UINT_PTR m_timerId;
    CBroadcastSender m_sender;
    CBroadcastListener m_listener;
    CTransferService m_transfer;
    CRect m_addressRect;
    CRect m_updatedRect;
    CRect m_sizeRect;
    CString m_syncRecord;
};

#include "app/main_screen_dlg.h"

#include <initializer_list>
#include <vector>

#include "app/client_globals.h"
#include "app/main_screen_layout.h"
#include "app/screen_background.h"
#include "app/sync_record.h"
#include "keypad/address_keypad_dlg.h"
#include "net/discovery_protocol.h"
#include "res/resource.h"

namespace {

constexpr int kTextPoints = 100;  // tenths of a point
// Right-aligned and centred in rectangles 12 pixels high: the text's cell is 16, and without
// DT_SINGLELINE the centring would not happen and the bottoms of the digits would be cut off.
constexpr UINT kRecordFormat = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;

// The directory of the program file, without the backslash that ends it.
CString ModuleDirectory() {
    std::vector<WCHAR> path(256, 0);
    // A long installation path is read whole rather than cut short.
    while (GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())) ==
               path.size() &&
           path.size() < 32768) {
        path.assign(path.size() * 2, 0);
    }
    CString directory(path.data());
    const int slash = directory.ReverseFind(TEXT('\\'));
    return slash >= 0 ? directory.Left(slash) : directory;
}

struct TextInRect {
    const CString& text;
    CRect& rect;
};

// Draws texts in white, transparent, with a 10-point Tahoma made for this paint.
void DrawWhiteTexts(CDC& dc, std::initializer_list<TextInRect> texts, UINT format) {
    CFont font;
    font.CreatePointFont(kTextPoints, TEXT("Tahoma"), &dc);
    CFont* previous = dc.SelectObject(&font);
    dc.SetTextColor(RGB(255, 255, 255));
    dc.SetBkMode(TRANSPARENT);
    for (const TextInRect& item : texts) {
        dc.DrawText(item.text, &item.rect, format);
    }
    dc.SelectObject(previous);
    font.DeleteObject();
}

}  // namespace

BEGIN_MESSAGE_MAP(CMainScreenDlg, CFullScreenDlg)
ON_WM_PAINT()
ON_WM_LBUTTONUP()
ON_MESSAGE(MSG_SERVER_FOUND, &CMainScreenDlg::OnServerFound)
ON_WM_TIMER()
END_MESSAGE_MAP()

CMainScreenDlg::CMainScreenDlg(CWnd* parent)
    : CFullScreenDlg(IDD_MAIN_SCREEN, parent),
      m_hIcon(LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_APPLICATION_ICON))),
      m_background(nullptr),
      m_timerId(0),
      m_addressRect(kAddressRect),
      m_updatedRect(kUpdatedRect),
      m_sizeRect(kSizeRect) {}

CMainScreenDlg::~CMainScreenDlg() {
    if (m_background != nullptr) {
        DeleteObject(m_background);
        m_background = nullptr;
    }
}

BOOL CMainScreenDlg::OnInitDialog() {
    CFullScreenDlg::OnInitDialog();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    m_background = LoadBitmapW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDB_MAIN_BACKGROUND));
    m_moduleDir = ModuleDirectory();
    ReadSyncRecord();
    m_transfer.SetDownloadDirectory(std::u16string(m_moduleDir + TEXT("\\")));
    m_listener.SetPort(discovery::kReplyPort);
    m_listener.SetNotifyWindow(m_hWnd);
    m_listener.Start();
    m_sender.SetPort(discovery::kTokenPort);
    m_timerId = SetTimer(kDiscoveryTimer, kDiscoveryPeriod, nullptr);
    // A device is provisioned once: a record with a comma ends the program right away.
    if (RecordMeansProvisioned(m_syncRecord)) {
        PostQuitMessage(0);
    }
    return TRUE;
}

// Enter and Escape never close the main screen; only the quit zone ends it.
void CMainScreenDlg::OnOK() {}

void CMainScreenDlg::OnCancel() {}

void CMainScreenDlg::OnPaint() {
    CPaintDC dc(this);
    if (m_background != nullptr) {
        PaintScreenBackground(dc, m_background);
    }
    if (!g_serverAddress.IsEmpty()) {
        DrawWhiteTexts(dc, {{g_serverAddress, m_addressRect}}, 0);
    }
    if (RecordMeansProvisioned(m_syncRecord)) {
        const RecordFields fields = SplitSyncRecord(m_syncRecord);
        DrawWhiteTexts(dc, {{fields.updated, m_updatedRect}, {fields.size, m_sizeRect}},
                       kRecordFormat);
    }
}

void CMainScreenDlg::OnLButtonUp(UINT flags, CPoint point) {
    CFullScreenDlg::OnLButtonUp(flags, point);
    switch (MainScreenZoneAt(point)) {
        case MainScreenZone::kSync:
            SyncNow();
            break;
        case MainScreenZone::kAddress:
            EditServerAddress();
            break;
        case MainScreenZone::kQuit:
            PostQuitMessage(0);
            break;
        case MainScreenZone::kNone:
            break;
    }
}

void CMainScreenDlg::EditServerAddress() {
    CAddressKeypadDlg keypad;
    keypad.m_address = g_serverAddress;
    if (keypad.DoModal() == IDOK) {
        g_serverAddress = keypad.m_address;
        ApplyServerAddress();
    }
}

LRESULT CMainScreenDlg::OnServerFound(WPARAM, LPARAM lParam) {
    // The text belongs to the listener's thread and lives only during this call.
    g_serverAddress = CString(reinterpret_cast<const char*>(lParam));
    ApplyServerAddress();
    if (m_timerId != 0) {
        KillTimer(m_timerId);
        m_timerId = 0;
    }
    m_sender.Close();
    m_listener.Stop();
    return 0;
}

void CMainScreenDlg::OnTimer(UINT_PTR timerId) {
    if (timerId == m_timerId) {
        m_sender.Send(discovery::kToken, sizeof discovery::kToken);
    }
    CFullScreenDlg::OnTimer(timerId);
}

void CMainScreenDlg::ApplyServerAddress() {
    m_transfer.SetServerAddress(std::u16string(g_serverAddress));
    InvalidateRect(&m_addressRect, TRUE);
}

void CMainScreenDlg::InvalidateRecordFields() {
    InvalidateRect(&m_updatedRect, TRUE);
    InvalidateRect(&m_sizeRect, TRUE);
}

// The sync action of the main screen: download the package, record when and how big it was, show
// that and hand the package to the shell.
#include <shellapi.h>

#include "app/client_globals.h"
#include "app/main_screen_dlg.h"
#include "app/sync_record.h"

namespace {

constexpr char16_t kPackageName[] = u"kelmaris.cab";
constexpr char16_t kRecordName[] = u"brevantaclient.txt";
constexpr LPCTSTR kSyncFailedText = TEXT("Synchronization failed, please try again");

bool FileExists(const CString& path) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    FindClose(search);
    return true;
}

}  // namespace

CString CMainScreenDlg::RecordPath() const {
    return m_moduleDir + TEXT("\\") + kRecordName;
}

void CMainScreenDlg::ReadSyncRecord() {
    CString record;
    if (ReadSyncRecordFile(RecordPath(), &record)) {
        m_syncRecord = record;
    }
}

// A record that cannot be stored stays in memory and on screen only, and the next start does not
// quit; nothing is shown about it. It is on the disk before the package reaches the shell.
void CMainScreenDlg::WriteSyncRecord() {
    WriteSyncRecordFile(RecordPath(), m_syncRecord);
}

void CMainScreenDlg::SyncNow() {
    const CString packagePath = m_moduleDir + TEXT("\\") + kPackageName;
    SetCursor(g_waitCursor);
    const int fetched = m_transfer.FetchFile(kPackageName);
    SetCursor(nullptr);
    if (fetched == 0) {
        MessageBox(CString(m_transfer.m_errorText.c_str()), AfxGetAppName(),
                   MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!FileExists(packagePath)) {
        MessageBox(kSyncFailedText, AfxGetAppName(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CString record;
    if (MakeSyncRecordOfFile(packagePath, &record)) {
        m_syncRecord = record;
        WriteSyncRecord();
    }
    InvalidateRecordFields();

    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    request.lpVerb = TEXT("open");
    request.lpFile = packagePath;
    request.nShow = SW_SHOW;
    ShellExecuteExW(&request);
}

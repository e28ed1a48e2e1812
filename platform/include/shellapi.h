// The shell: opening a document with its handler.
#pragma once

#include "windef.h"

#define SEE_MASK_NOCLOSEPROCESS 0x00000040u

struct SHELLEXECUTEINFOW {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCWSTR lpVerb;
    LPCWSTR lpFile;
    LPCWSTR lpParameters;
    LPCWSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    LPVOID lpIDList;
    LPCWSTR lpClass;
    void* hkeyClass;
    DWORD dwHotKey;
    HANDLE hIcon;
    HANDLE hProcess;
};
using LPSHELLEXECUTEINFOW = SHELLEXECUTEINFOW*;

// The verb "open" (or none) runs xdg-open on the file, detached, without waiting for it; the
// first xdg-open on PATH is used. Other verbs fail. hInstApp receives a value above 32 on success.
BOOL ShellExecuteExW(LPSHELLEXECUTEINFOW info);

// The MFC subset of the dialog application: the application object, windows with message maps,
// modal dialogs, drawing contexts, GDI objects, CString and the geometry helpers.
//
// The library supplies the program's WinMain: it runs the one CWinApp object through
// AfxWinMain. Objects belong to the thread that uses their window.
#pragma once

#include "windows.h"

#include "afxmsg_.h"
#include "afxstr.h"

namespace ce::mfc {
class WndAccess;
}

// ---- geometry -------------------------------------------------------------------------------
struct CPoint : POINT {
    CPoint() : POINT{0, 0} {}
    CPoint(int initX, int initY) : POINT{initX, initY} {}
    CPoint(POINT point) : POINT(point) {}

    bool operator==(const CPoint& other) const { return x == other.x && y == other.y; }
};

struct CSize : SIZE {
    CSize() : SIZE{0, 0} {}
    CSize(int initCx, int initCy) : SIZE{initCx, initCy} {}
    CSize(SIZE size) : SIZE(size) {}

    bool operator==(const CSize& other) const { return cx == other.cx && cy == other.cy; }
};

struct CRect : RECT {
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& rect) : RECT(rect) {}

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    // Left and top edges inside, right and bottom edges outside.
    BOOL PtInRect(POINT point) const {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }

    bool operator==(const CRect& other) const {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
};

// ---- command targets ------------------------------------------------------------------------
class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

protected:
    // The root of every message map: it has no entries.
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

// ---- GDI objects ----------------------------------------------------------------------------
class CDC;

// Owns its handle: the destructor deletes the object.
class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject();
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;

    // A wrapper that does not own the handle, kept by the calling thread until the object is
    // gone.
    static CGdiObject* FromHandle(HGDIOBJ object);

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }
    BOOL Attach(HGDIOBJ object);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    int GetObject(int size, LPVOID buffer) const;
};

class CFont : public CGdiObject {
public:
    static CFont* FromHandle(HFONT font);
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }

    // The height comes from the point size in tenths and the vertical resolution of the given
    // context, or of the screen: lfHeight = -(tenths * LOGPIXELSY / 720).
    BOOL CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, CDC* pDC = nullptr);
    BOOL CreateFontIndirect(const LOGFONTW* lpLogFont);
};

class CBitmap : public CGdiObject {
public:
    static CBitmap* FromHandle(HBITMAP bitmap);
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }

    // From the program's resources.
    BOOL LoadBitmap(UINT nIDResource);
    int GetBitmap(BITMAP* pBitMap) const;
};

class CBrush : public CGdiObject {
public:
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }

    BOOL CreateSolidBrush(COLORREF crColor);
};

// ---- drawing contexts -----------------------------------------------------------------------
class CWnd;

// Owns its handle (a context made by CreateCompatibleDC): the destructor deletes it.
class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;

    // A wrapper that does not own the context, kept by the calling thread until the context is
    // gone.
    static CDC* FromHandle(HDC dc);

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL Attach(HDC dc);
    HDC Detach();

    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC();
    int GetDeviceCaps(int nIndex) const;

    // Each returns the object that was selected before (a wrapper from FromHandle).
    CGdiObject* SelectObject(CGdiObject* pObject);
    CFont* SelectObject(CFont* pFont);
    CBitmap* SelectObject(CBitmap* pBitmap);
    HGDIOBJ SelectObject(HGDIOBJ object);

    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                DWORD dwRop);
    BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                    int nSrcWidth, int nSrcHeight, DWORD dwRop);
    COLORREF SetTextColor(COLORREF crColor);
    COLORREF SetBkColor(COLORREF crColor);
    int SetBkMode(int nBkMode);
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat);
    int DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);
    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
};

// BeginPaint in the constructor, EndPaint in the destructor: only inside WM_PAINT handling.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps{};

protected:
    HWND m_hWnd;
};

// ---- windows --------------------------------------------------------------------------------
class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    // A window the object still holds (after SubclassWindow or during a dialog's life) is
    // destroyed with it.
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    // Insert-after values of SetWindowPos.
    static const CWnd wndTop;
    static const CWnd wndBottom;
    static const CWnd wndTopMost;
    static const CWnd wndNoTopMost;

    // The object that holds the window, else a wrapper kept by the calling thread until the
    // window is gone; null for a null handle.
    static CWnd* FromHandle(HWND hWnd);
    // Only an object that holds the window, else null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Makes this object hold the window and routes its messages through WindowProc and the
    // message maps; the window's procedure becomes the default processing. The object lets go
    // of the window when it is destroyed (WM_NCDESTROY).
    BOOL SubclassWindow(HWND hWnd);
    BOOL DestroyWindow();

    BOOL MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    BOOL MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;
    BOOL IsWindowVisible() const;
    BOOL ShowWindow(int nCmdShow);
    BOOL EnableWindow(BOOL bEnable = TRUE);
    CWnd* SetFocus();

    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void UpdateWindow();

    // WM_SETICON with ICON_BIG (1) or ICON_SMALL (0); returns the previous icon.
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    CWnd* GetDlgItem(int nID) const;
    void SetWindowText(LPCTSTR lpszString);
    void GetWindowText(CString& rString) const;

    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer);
    BOOL KillTimer(UINT_PTR nIDEvent);
    // Without a caption the application's name is the caption.
    int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption = nullptr, UINT nType = MB_OK);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

protected:
    // The message map first, then DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The window's own procedure from before SubclassWindow, else DefWindowProcW.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // DefWindowProc of the message this thread is handling.
    LRESULT Default();
    // Finds the message in the maps and runs the entry: FALSE when no entry matches.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // Handlers whose base versions pass the message to Default().
    afx_msg void OnPaint();
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnDestroy();

    // The procedure the window had before SubclassWindow.
    WNDPROC m_pfnSuper = nullptr;

    DECLARE_MESSAGE_MAP()

private:
    explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}

    friend class ce::mfc::WndAccess;
};

// ---- dialogs --------------------------------------------------------------------------------
class CDataExchange {};

class CDialog : public CWnd {
public:
    // Without a parent the application's main window owns the dialog.
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog of the program's resources modally and returns the EndDialog result (-1
    // when the dialog cannot be made). The window is gone when it returns (m_hWnd is null).
    virtual INT_PTR DoModal();
    // Called for WM_INITDIALOG; the result is the dialog procedure's answer (TRUE: the dialog
    // manager sets the focus).
    virtual BOOL OnInitDialog();
    void EndDialog(int nResult);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

protected:
    // UpdateData(TRUE), then EndDialog(IDOK).
    virtual void OnOK();
    // EndDialog(IDCANCEL).
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);

    afx_msg LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()
};

// ---- the application ------------------------------------------------------------------------
class CWinApp : public CCmdTarget {
public:
    // Without a name the program file's name without its extension is the application's name.
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    LPCTSTR m_pszAppName = nullptr;
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;

    // TRUE goes on to Run; FALSE ends the program with ExitInstance's result.
    virtual BOOL InitInstance();
    // The exit code: that of the WM_QUIT that ended Run, else 0.
    virtual int ExitInstance();
    // The message loop until WM_QUIT, then ExitInstance.
    virtual int Run();

    HCURSOR LoadStandardCursor(LPCTSTR lpszCursorName) const;

    DECLARE_MESSAGE_MAP()

private:
    CString m_appName;
    int m_exitCode = 0;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
LPCTSTR AfxGetAppName();
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

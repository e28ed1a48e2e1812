// GDI object wrappers: fonts, bitmaps and brushes that own their handles.
#include <algorithm>
#include <cstdlib>

#include "afxwin.h"

#include "mfc/temporary_map.h"

namespace {

bool IsLiveObject(HGDIOBJ object) {
    return GetObjectType(object) != 0;
}

template <class Wrapper>
Wrapper* Temporary(HGDIOBJ object) {
    if (object == nullptr) {
        return nullptr;
    }
    thread_local ce::mfc::TemporaryMap<Wrapper, HGDIOBJ> temporaries(&Wrapper::m_hObject,
                                                                     &IsLiveObject);
    return temporaries.Get(object);
}

}  // namespace

CGdiObject::~CGdiObject() {
    DeleteObject();
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ object) {
    return Temporary<CGdiObject>(object);
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
    if (m_hObject != nullptr || object == nullptr) {
        return FALSE;
    }
    m_hObject = object;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    const HGDIOBJ object = m_hObject;
    m_hObject = nullptr;
    return object;
}

BOOL CGdiObject::DeleteObject() {
    return m_hObject != nullptr ? ::DeleteObject(Detach()) : FALSE;
}

int CGdiObject::GetObject(int size, LPVOID buffer) const {
    return ::GetObjectW(m_hObject, size, buffer);
}

CFont* CFont::FromHandle(HFONT font) {
    return Temporary<CFont>(font);
}

BOOL CFont::CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, CDC* pDC) {
    LOGFONTW logFont{};
    logFont.lfCharSet = DEFAULT_CHARSET;
    if (lpszFaceName != nullptr) {
        const std::u16string_view face(lpszFaceName);
        std::copy_n(face.begin(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1),
                    logFont.lfFaceName);
    }
    // Without a context, a memory context compatible with the screen has the screen's
    // resolution.
    CDC screen;
    if (pDC == nullptr) {
        screen.CreateCompatibleDC(nullptr);
    }
    const HDC dc = pDC != nullptr ? pDC->m_hDC : screen.m_hDC;
    logFont.lfHeight = -std::abs(::MulDiv(::GetDeviceCaps(dc, LOGPIXELSY), nPointSize, 720));
    return CreateFontIndirect(&logFont);
}

BOOL CFont::CreateFontIndirect(const LOGFONTW* lpLogFont) {
    return Attach(::CreateFontIndirectW(lpLogFont));
}

CBitmap* CBitmap::FromHandle(HBITMAP bitmap) {
    return Temporary<CBitmap>(bitmap);
}

BOOL CBitmap::LoadBitmap(UINT nIDResource) {
    return Attach(::LoadBitmapW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(nIDResource)));
}

int CBitmap::GetBitmap(BITMAP* pBitMap) const {
    return GetObject(static_cast<int>(sizeof(BITMAP)), pBitMap);
}

BOOL CBrush::CreateSolidBrush(COLORREF crColor) {
    return Attach(::CreateSolidBrush(crColor));
}

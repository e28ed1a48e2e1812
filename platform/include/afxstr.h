// CString: the MFC string of the dialog application, UTF-16 like every text of the platform.
//
// Construction from 8-bit text converts from the system code page (CP_ACP). Format and
// AppendFormat have their own formatter, since the host's wide printf works on 32-bit wchar_t:
// %d %i %u %x %X %c %s (UTF-16) %ls (UTF-16) %S and %hs (8-bit) %%, with the flags - and 0, a
// width and a precision. Passing a CString to them needs a cast to LPCTSTR.
#pragma once

#include <concepts>
#include <string>

#include "windef.h"

class CString {
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(LPCTSTR text);
    CString(LPCTSTR text, int length);
    CString(LPCSTR text);
    ~CString() = default;

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(LPCTSTR text);
    CString& operator=(LPCSTR text);
    CString& operator=(TCHAR ch);

    operator LPCTSTR() const { return m_text.c_str(); }

    int GetLength() const { return static_cast<int>(m_text.size()); }
    BOOL IsEmpty() const { return m_text.empty() ? TRUE : FALSE; }
    void Empty() { m_text.clear(); }
    // 0 outside the string.
    TCHAR GetAt(int index) const;
    // A template so that any integer index matches better than the built-in subscript through
    // the conversion to LPCTSTR.
    template <std::integral Index>
    TCHAR operator[](Index index) const {
        return GetAt(static_cast<int>(index));
    }

    CString& operator+=(const CString& text);
    CString& operator+=(LPCTSTR text);
    CString& operator+=(TCHAR ch);

    friend CString operator+(const CString& left, const CString& right);
    friend CString operator+(const CString& left, LPCTSTR right);
    friend CString operator+(LPCTSTR left, const CString& right);
    friend CString operator+(const CString& left, TCHAR right);

    friend bool operator==(const CString& left, const CString& right) {
        return left.m_text == right.m_text;
    }
    friend bool operator==(const CString& left, LPCTSTR right) { return left.Compare(right) == 0; }
    friend bool operator==(LPCTSTR left, const CString& right) { return right.Compare(left) == 0; }
    friend bool operator!=(const CString& left, const CString& right) { return !(left == right); }
    friend bool operator!=(const CString& left, LPCTSTR right) { return !(left == right); }
    friend bool operator!=(LPCTSTR left, const CString& right) { return !(left == right); }
    friend bool operator<(const CString& left, const CString& right) {
        return left.m_text < right.m_text;
    }
    friend bool operator<(const CString& left, LPCTSTR right) { return left.Compare(right) < 0; }
    friend bool operator<(LPCTSTR left, const CString& right) { return right.Compare(left) > 0; }

    // Character-by-character comparison of the UTF-16 code units: < 0, 0 or > 0.
    int Compare(LPCTSTR text) const;

    // The index of the first match at or after start, or -1.
    int Find(TCHAR ch, int start = 0) const;
    int Find(LPCTSTR text, int start = 0) const;
    // The index of the last occurrence, or -1.
    int ReverseFind(TCHAR ch) const;

    // Counts and positions are clamped to the string, as MFC does.
    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;

    // ASCII letters only, like the C library's default locale.
    CString& MakeUpper();
    CString& MakeLower();
    CString& TrimLeft();
    CString& TrimRight();

    void Format(LPCTSTR format, ...);
    void AppendFormat(LPCTSTR format, ...);

    // A buffer of at least minLength characters (plus a terminator) holding the current text.
    // ReleaseBuffer ends the text at the first zero (-1) or at newLength.
    LPTSTR GetBuffer(int minLength);
    LPTSTR GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    // The string resource id of the program; FALSE (and the string unchanged) when it has none.
    BOOL LoadString(UINT id);

private:
    std::u16string m_text;
};

#include <algorithm>
#include <cstdarg>

#include "afxwin.h"

#include "mfc/string_format.h"

namespace {

std::u16string FromCodePage(LPCSTR text) {
    if (text == nullptr || *text == '\0') {
        return {};
    }
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 1) {
        return {};
    }
    std::u16string wide(static_cast<std::size_t>(needed), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), needed);
    wide.resize(static_cast<std::size_t>(needed - 1));
    return wide;
}

std::size_t Clamp(int value, std::size_t limit) {
    return value <= 0 ? 0 : std::min(static_cast<std::size_t>(value), limit);
}

bool IsSpace(char16_t ch) {
    return ch == u' ' || (ch >= u'\t' && ch <= u'\r');
}

}  // namespace

CString::CString(LPCTSTR text) : m_text(text == nullptr ? u"" : text) {}

CString::CString(LPCTSTR text, int length) {
    if (text != nullptr && length > 0) {
        m_text.assign(text, static_cast<std::size_t>(length));
    }
}

CString::CString(LPCSTR text) : m_text(FromCodePage(text)) {}

CString& CString::operator=(LPCTSTR text) {
    m_text = text == nullptr ? u"" : text;
    return *this;
}

CString& CString::operator=(LPCSTR text) {
    m_text = FromCodePage(text);
    return *this;
}

CString& CString::operator=(TCHAR ch) {
    m_text.assign(1, ch);
    return *this;
}

TCHAR CString::GetAt(int index) const {
    return index < 0 || index >= GetLength() ? u'\0' : m_text[static_cast<std::size_t>(index)];
}

CString& CString::operator+=(const CString& text) {
    m_text += text.m_text;
    return *this;
}

CString& CString::operator+=(LPCTSTR text) {
    if (text != nullptr) {
        m_text += text;
    }
    return *this;
}

CString& CString::operator+=(TCHAR ch) {
    m_text.push_back(ch);
    return *this;
}

CString operator+(const CString& left, const CString& right) {
    CString result(left);
    result += right;
    return result;
}

CString operator+(const CString& left, LPCTSTR right) {
    CString result(left);
    result += right;
    return result;
}

CString operator+(LPCTSTR left, const CString& right) {
    CString result(left);
    result += right;
    return result;
}

CString operator+(const CString& left, TCHAR right) {
    CString result(left);
    result += right;
    return result;
}

int CString::Compare(LPCTSTR text) const {
    return std::u16string_view(m_text).compare(text == nullptr ? u"" : text);
}

int CString::Find(TCHAR ch, int start) const {
    if (start < 0 || start >= GetLength()) {
        return -1;
    }
    const std::size_t found = m_text.find(ch, static_cast<std::size_t>(start));
    return found == std::u16string::npos ? -1 : static_cast<int>(found);
}

int CString::Find(LPCTSTR text, int start) const {
    if (text == nullptr || start < 0 || start > GetLength()) {
        return -1;
    }
    const std::size_t found = m_text.find(text, static_cast<std::size_t>(start));
    return found == std::u16string::npos ? -1 : static_cast<int>(found);
}

int CString::ReverseFind(TCHAR ch) const {
    const std::size_t found = m_text.rfind(ch);
    return found == std::u16string::npos ? -1 : static_cast<int>(found);
}

CString CString::Left(int count) const {
    CString result;
    result.m_text = m_text.substr(0, Clamp(count, m_text.size()));
    return result;
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    const std::size_t start = Clamp(first, m_text.size());
    CString result;
    result.m_text = m_text.substr(start, Clamp(count, m_text.size() - start));
    return result;
}

CString CString::Right(int count) const {
    const std::size_t length = Clamp(count, m_text.size());
    CString result;
    result.m_text = m_text.substr(m_text.size() - length);
    return result;
}

CString& CString::MakeUpper() {
    for (char16_t& ch : m_text) {
        if (ch >= u'a' && ch <= u'z') {
            ch = static_cast<char16_t>(ch - u'a' + u'A');
        }
    }
    return *this;
}

CString& CString::MakeLower() {
    for (char16_t& ch : m_text) {
        if (ch >= u'A' && ch <= u'Z') {
            ch = static_cast<char16_t>(ch - u'A' + u'a');
        }
    }
    return *this;
}

CString& CString::TrimLeft() {
    const auto first = std::find_if_not(m_text.begin(), m_text.end(), IsSpace);
    m_text.erase(m_text.begin(), first);
    return *this;
}

CString& CString::TrimRight() {
    const auto last = std::find_if_not(m_text.rbegin(), m_text.rend(), IsSpace);
    m_text.erase(last.base(), m_text.end());
    return *this;
}

void CString::Format(LPCTSTR format, ...) {
    std::u16string formatted;
    va_list args;
    va_start(args, format);
    ce::mfc::AppendFormatted(formatted, format, args);
    va_end(args);
    m_text = std::move(formatted);
}

void CString::AppendFormat(LPCTSTR format, ...) {
    va_list args;
    va_start(args, format);
    ce::mfc::AppendFormatted(m_text, format, args);
    va_end(args);
}

LPTSTR CString::GetBuffer(int minLength) {
    if (minLength > GetLength()) {
        m_text.resize(static_cast<std::size_t>(minLength));
    }
    return m_text.data();
}

LPTSTR CString::GetBufferSetLength(int length) {
    m_text.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    return m_text.data();
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) {
        m_text.resize(std::u16string_view(m_text.c_str()).size());
    } else {
        m_text.resize(std::min(static_cast<std::size_t>(newLength), m_text.size()));
    }
}

BOOL CString::LoadString(UINT id) {
    // LoadStringW cuts a string that does not fit; a full buffer means it may have been cut.
    std::u16string buffer(256, u'\0');
    for (;;) {
        const int copied =
            LoadStringW(AfxGetInstanceHandle(), id, buffer.data(), static_cast<int>(buffer.size()));
        if (copied <= 0) {
            return FALSE;
        }
        if (static_cast<std::size_t>(copied) < buffer.size() - 1) {
            buffer.resize(static_cast<std::size_t>(copied));
            m_text = std::move(buffer);
            return TRUE;
        }
        buffer.assign(buffer.size() * 2, u'\0');
    }
}

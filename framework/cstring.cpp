#include "framework/cstring.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "framework/codepage.h"

CString& CString::operator=(LPCSTR psz) {
    m_str = psz ? psz : "";
    return *this;
}

CString& CString::operator+=(const CString& str) {
    m_str += str.m_str;
    return *this;
}

CString& CString::operator+=(char ch) {
    m_str += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

int CString::Find(char ch, int nStart) const {
    return armwright::CodePageFindChar(m_str.data(), GetLength(), nStart, ch);
}

int CString::Find(LPCSTR pszSub, int nStart) const {
    return armwright::CodePageFindText(m_str.data(), GetLength(), nStart, pszSub);
}

int CString::ReverseFind(char ch) const {
    return armwright::CodePageReverseFindChar(m_str.data(), GetLength(), ch);
}

CString CString::Left(int nCount) const {
    if (nCount < 0)
        nCount = 0;
    return CString(m_str.substr(0, static_cast<size_t>(nCount)).c_str());
}

CString CString::Mid(int nFirst) const {
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const {
    if (nFirst < 0)
        nFirst = 0;
    if (nFirst >= GetLength() || nCount <= 0)
        return CString();
    CString result;
    result.m_str = m_str.substr(static_cast<size_t>(nFirst), static_cast<size_t>(nCount));
    return result;
}

CString& CString::MakeLower() {
    armwright::CodePageLower(&m_str[0], m_str.size());
    return *this;
}

CString& CString::TrimRight() {
    size_t end = m_str.size();
    while (end > 0 && std::isspace(static_cast<unsigned char>(m_str[end - 1])))
        --end;
    m_str.erase(end);
    return *this;
}

CString& CString::Trim(char ch) {
    size_t first = m_str.find_first_not_of(ch);
    if (first == std::string::npos) {
        m_str.clear();
        return *this;
    }
    m_str.erase(m_str.find_last_not_of(ch) + 1);
    m_str.erase(0, first);
    return *this;
}

int CString::CompareNoCase(LPCSTR psz) const {
    return armwright::CodePageCompareNoCase(m_str.c_str(), psz);
}

void CString::Format(LPCSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    int nLength = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    std::vector<char> buffer(nLength > 0 ? static_cast<size_t>(nLength) + 1 : 1, '\0');
    if (nLength > 0)
        std::vsnprintf(buffer.data(), buffer.size(), pszFormat, args);
    va_end(args);
    m_str.assign(buffer.data(), nLength > 0 ? static_cast<size_t>(nLength) : 0);
}

#include "framework/cstring.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

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
    for (int i = nStart, n = 0; i >= 0 && i < GetLength(); i += n) {
        n = armwright::sys::CharLength(&m_str[static_cast<size_t>(i)], GetLength() - i);
        if (n == 1 && m_str[static_cast<size_t>(i)] == ch)
            return i;
    }
    return -1;
}

int CString::Find(LPCSTR pszSub, int nStart) const {
    const size_t nSub = std::strlen(pszSub);
    for (int i = nStart; i >= 0 && static_cast<size_t>(i) + nSub <= m_str.size();
         i += armwright::sys::CharLength(&m_str[static_cast<size_t>(i)], GetLength() - i)) {
        if (m_str.compare(static_cast<size_t>(i), nSub, pszSub) == 0)
            return i;
    }
    return -1;
}

int CString::ReverseFind(char ch) const {
    int nFound = -1;
    for (int i = Find(ch); i >= 0; i = Find(ch, i + 1))
        nFound = i;
    return nFound;
}

CString CString::Left(int nCount) const {
    return Mid(0, nCount);
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
    for (size_t i = 0; i < m_str.size();) {
        const int n = armwright::sys::CharLength(
            &m_str[i], static_cast<int>(std::min<size_t>(m_str.size() - i, 4)));
        armwright::sys::LowerCharacter(&m_str[i], n);
        i += static_cast<size_t>(n);
    }
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
    m_str.erase(m_str.find_last_not_of(ch) + 1);  // npos + 1: a text of `ch` only goes whole
    m_str.erase(0, m_str.find_first_not_of(ch));
    return *this;
}

int CString::CompareNoCase(LPCSTR psz) const {
    CString strA(*this), strB(psz);
    const int nOrder = strA.MakeLower().m_str.compare(strB.MakeLower().m_str);
    return nOrder < 0 ? -1 : nOrder > 0 ? 1 : 0;
}

void CString::Format(LPCSTR pszFormat, ...) {
    va_list args, copy;
    va_start(args, pszFormat);
    va_copy(copy, args);
    const int nLength = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    m_str.assign(static_cast<size_t>(std::max(nLength, 0)), '\0');
    if (nLength > 0)
        std::vsnprintf(&m_str[0], m_str.size() + 1, pszFormat, args);
    va_end(args);
}

// CString: the 8-bit string of the framework, with the operations the tool uses.
#pragma once

#include <string>

#include "framework/windef.h"

class CString {
public:
    CString() = default;
    CString(LPCSTR psz) : m_str(psz ? psz : "") {}
    CString(LPCSTR pch, int nLength) : m_str(pch, static_cast<size_t>(nLength)) {}

    // The text, valid until the string next changes.
    operator LPCSTR() const { return m_str.c_str(); }
    LPCSTR GetString() const { return m_str.c_str(); }
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }

    CString& operator=(LPCSTR psz);
    CString& operator+=(const CString& str);
    CString& operator+=(char ch);
    friend CString operator+(const CString& a, const CString& b);
    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator!=(const CString& a, const CString& b) { return a.m_str != b.m_str; }
    friend bool operator==(const CString& a, LPCSTR b) { return a.m_str == (b ? b : ""); }
    friend bool operator!=(const CString& a, LPCSTR b) { return !(a == b); }

    // Position of the first `ch` or `pszSub` at or after nStart, -1 when there is none. Searches
    // step over whole characters of the ANSI code page, double-byte ones included.
    int Find(char ch, int nStart = 0) const;
    int Find(LPCSTR pszSub, int nStart = 0) const;
    // Position of the last `ch`, -1 when there is none.
    int ReverseFind(char ch) const;

    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;

    // Lower-cases in place, as the system's ANSI code page does.
    CString& MakeLower();
    // Removes trailing white space of the ANSI code page.
    CString& TrimRight();
    // Removes every leading and trailing `ch`.
    CString& Trim(char ch);

    // Compares ignoring letter case, folded as MakeLower folds it: <0, 0 or >0.
    int CompareNoCase(LPCSTR psz) const;

    // printf-style formatting into this string.
    void Format(LPCSTR pszFormat, ...);
    // Replaces the text with string-table entry nID; false when there is none.
    BOOL LoadString(UINT nID);

private:
    std::string m_str;
};

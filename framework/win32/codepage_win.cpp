#include <algorithm>
#include <cstring>
#include <string>

#include "framework/codepage.h"
#include "framework/windef.h"

// The process's ANSI code page, as the framework's string class follows it in its multi-byte
// build: UTF-8 where the manifest obtains it (Windows 10 1903 on), else the system's, double-byte
// ones included. A letter's lower case is the one the system's Unicode tables give it, taken only
// when it has a form of the same length in the code page, so that folding never moves an offset.

namespace {

// Bytes in the well-formed UTF-8 sequence at pch, of the nLeft that remain; 1 for a byte that
// starts none, which then stands alone.
int Utf8Length(const char* pch, int nLeft) {
    const unsigned char nLead = static_cast<unsigned char>(pch[0]);
    const int nLength = nLead >= 0xC2 && nLead <= 0xDF   ? 2
                        : nLead >= 0xE0 && nLead <= 0xEF ? 3
                        : nLead >= 0xF0 && nLead <= 0xF4 ? 4
                                                         : 1;
    if (nLength > nLeft)
        return 1;
    for (int i = 1; i < nLength; ++i) {
        if ((static_cast<unsigned char>(pch[i]) & 0xC0) != 0x80)
            return 1;
    }
    return nLength;
}

// The code page's lead bytes and the folds of its one-byte characters, read once.
class CAnsiCodePage {
public:
    CAnsiCodePage() : m_nCodePage(GetACP()) {
        CPINFO info = {};
        if (!IsUtf8() && GetCPInfo(m_nCodePage, &info) && info.MaxCharSize > 1) {
            for (size_t i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2) {
                for (unsigned n = info.LeadByte[i]; n <= info.LeadByte[i + 1]; ++n)
                    m_bLead[n] = true;
            }
        }
        for (unsigned n = 0; n < 256; ++n)
            m_lower[n] = static_cast<char>(n);
        // Every ANSI code page has ASCII's letters where ASCII has them.
        for (unsigned n = 'A'; n <= 'Z'; ++n)
            m_lower[n] = static_cast<char>(n - 'A' + 'a');
        // In UTF-8 a byte above 127 is never a character of its own.
        for (unsigned n = 128; n < 256 && !IsUtf8(); ++n) {
            if (!m_bLead[n])
                FoldCharacter(&m_lower[n], 1);
        }
    }

    // Bytes in the character at pch, of the nLeft that remain; a lead byte that ends the text
    // stands alone.
    int CharLength(const char* pch, int nLeft) const {
        if (IsUtf8())
            return Utf8Length(pch, nLeft);
        return nLeft >= 2 && m_bLead[static_cast<unsigned char>(pch[0])] && pch[1] ? 2 : 1;
    }

    char LowerByte(char ch) const { return m_lower[static_cast<unsigned char>(ch)]; }

    // Writes the lower case of the character of nBytes bytes at pch over it, when it has one of
    // the same length. UTF-8 takes neither a default character nor best-fit flags; any other
    // code page is asked for no best-fit stand-in, which would not read back as the letter.
    void FoldCharacter(char* pch, int nBytes) const {
        WCHAR awch[2];
        const int nWide =
            MultiByteToWideChar(m_nCodePage, MB_ERR_INVALID_CHARS, pch, nBytes, awch, 2);
        if (nWide <= 0)
            return;
        WCHAR awchLower[2] = {awch[0], awch[1]};
        CharLowerBuffW(awchLower, static_cast<DWORD>(nWide));
        if (std::equal(awch, awch + nWide, awchLower))
            return;
        char folded[8];
        BOOL bDefault = FALSE;
        const int nFolded =
            IsUtf8() ? WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, awchLower, nWide, folded,
                                           sizeof folded, nullptr, nullptr)
                     : WideCharToMultiByte(m_nCodePage, WC_NO_BEST_FIT_CHARS, awchLower, nWide,
                                           folded, sizeof folded, nullptr, &bDefault);
        if (nFolded == nBytes && !bDefault)
            std::memcpy(pch, folded, static_cast<size_t>(nBytes));
    }

private:
    bool IsUtf8() const { return m_nCodePage == CP_UTF8; }

    UINT m_nCodePage;
    bool m_bLead[256] = {};
    char m_lower[256] = {};
};

const CAnsiCodePage& AnsiCodePage() {
    static const CAnsiCodePage codePage;
    return codePage;
}

}  // namespace

int armwright::CodePageFindChar(const char* pch, int nLength, int nStart, char ch) {
    if (nStart < 0)
        return -1;
    const CAnsiCodePage& codePage = AnsiCodePage();
    for (int i = nStart, n = 0; i < nLength; i += n) {
        n = codePage.CharLength(pch + i, nLength - i);
        if (n == 1 && pch[i] == ch)
            return i;
    }
    return -1;
}

int armwright::CodePageReverseFindChar(const char* pch, int nLength, char ch) {
    const CAnsiCodePage& codePage = AnsiCodePage();
    int nFound = -1;
    for (int i = 0, n = 0; i < nLength; i += n) {
        n = codePage.CharLength(pch + i, nLength - i);
        if (n == 1 && pch[i] == ch)
            nFound = i;
    }
    return nFound;
}

int armwright::CodePageFindText(const char* pch, int nLength, int nStart, const char* pszSub) {
    if (nStart < 0 || nStart > nLength)
        return -1;
    const CAnsiCodePage& codePage = AnsiCodePage();
    const int nSub = static_cast<int>(std::strlen(pszSub));
    for (int i = nStart; i + nSub <= nLength; i += codePage.CharLength(pch + i, nLength - i)) {
        if (std::memcmp(pch + i, pszSub, static_cast<size_t>(nSub)) == 0)
            return i;
    }
    return -1;
}

void armwright::CodePageLower(char* pch, size_t nLength) {
    const CAnsiCodePage& codePage = AnsiCodePage();
    for (size_t i = 0; i < nLength;) {
        int n = codePage.CharLength(pch + i, static_cast<int>(std::min<size_t>(nLength - i, 4)));
        if (n == 1)
            pch[i] = codePage.LowerByte(pch[i]);
        else
            codePage.FoldCharacter(pch + i, n);
        i += static_cast<size_t>(n);
    }
}

int armwright::CodePageCompareNoCase(const char* a, const char* b) {
    std::string strA(a), strB(b);
    CodePageLower(&strA[0], strA.size());
    CodePageLower(&strB[0], strB.size());
    int nOrder = strA.compare(strB);
    return nOrder < 0 ? -1 : nOrder > 0 ? 1 : 0;
}

#include <algorithm>
#include <cstring>
#include <string>

#include "framework/codepage.h"
#include "framework/windef.h"

// The system's ANSI code page, double-byte ones included, as the framework's string class follows
// it in its multi-byte build. A letter's lower case is the one the system's Unicode tables give
// it, taken only when it has a form of the same length in the code page, so that folding never
// moves an offset.

namespace {

// Writes the lower case of the character of nBytes bytes at pch over it, when there is one.
void FoldCharacter(char* pch, int nBytes) {
    WCHAR wch = 0;
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pch, nBytes, &wch, 1) != 1)
        return;
    WCHAR wchLower = wch;
    CharLowerBuffW(&wchLower, 1);
    if (wchLower == wch)
        return;
    char folded[8];
    BOOL bDefault = FALSE;
    int nFolded =
        WideCharToMultiByte(CP_ACP, 0, &wchLower, 1, folded, sizeof folded, nullptr, &bDefault);
    // A best-fit stand-in would not read back as the letter.
    WCHAR wchBack = 0;
    if (nFolded != nBytes || bDefault ||
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, folded, nFolded, &wchBack, 1) != 1 ||
        wchBack != wchLower)
        return;
    std::memcpy(pch, folded, static_cast<size_t>(nBytes));
}

// The code page's lead bytes and the folds of its one-byte characters, read once.
class CAnsiCodePage {
public:
    CAnsiCodePage() {
        CPINFO info = {};
        if (GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1) {
            for (size_t i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2) {
                for (unsigned n = info.LeadByte[i]; n <= info.LeadByte[i + 1]; ++n)
                    m_bLead[n] = true;
            }
        }
        for (unsigned n = 0; n < 256; ++n) {
            m_lower[n] = static_cast<char>(n);
            if (n && !m_bLead[n])
                FoldCharacter(&m_lower[n], 1);
        }
    }

    // Bytes in the character at pch, of the nLeft that remain; a lead byte that ends the text
    // stands alone.
    int CharLength(const char* pch, int nLeft) const {
        return nLeft >= 2 && m_bLead[static_cast<unsigned char>(pch[0])] && pch[1] ? 2 : 1;
    }

    char LowerByte(char ch) const { return m_lower[static_cast<unsigned char>(ch)]; }

private:
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
        int n = codePage.CharLength(pch + i, static_cast<int>(std::min<size_t>(nLength - i, 2)));
        if (n == 1)
            pch[i] = codePage.LowerByte(pch[i]);
        else
            FoldCharacter(pch + i, n);
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

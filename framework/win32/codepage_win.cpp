#include <algorithm>
#include <cstring>

#include "framework/codepage.h"
#include "framework/windef.h"

// The process's ANSI code page, as the framework's multi-byte string class follows it: UTF-8 where
// the manifest obtains it (Windows 10 1903 on), else the system's, double-byte ones included. A
// letter's lower case is the system's Unicode one, taken only where it has the same length in the
// code page, so that folding never moves an offset.

int armwright::sys::CharLength(const char* pch, int nLeft) {
    const UINT nCodePage = GetACP();
    if (nCodePage != CP_UTF8)
        return nLeft >= 2 && pch[1] && IsDBCSLeadByteEx(nCodePage, static_cast<BYTE>(pch[0])) ? 2
                                                                                              : 1;
    // The shortest well-formed character here.
    for (int n = 1; n <= std::min(nLeft, 4); ++n) {
        if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, pch, n, nullptr, 0) > 0)
            return n;
    }
    return 1;
}

void armwright::sys::LowerCharacter(char* pch, int nBytes) {
    // Every ANSI code page has ASCII's letters where ASCII has them, and no locale's rules (a
    // Turkish dotless i) move them.
    if (nBytes == 1 && static_cast<unsigned char>(*pch) < 128) {
        if (*pch >= 'A' && *pch <= 'Z')
            *pch = static_cast<char>(*pch - 'A' + 'a');
        return;
    }
    const UINT nCodePage = GetACP();
    WCHAR awch[2];
    const int nWide = MultiByteToWideChar(nCodePage, MB_ERR_INVALID_CHARS, pch, nBytes, awch, 2);
    if (nWide <= 0)
        return;
    WCHAR awchLower[2] = {awch[0], awch[1]};
    CharLowerBuffW(awchLower, static_cast<DWORD>(nWide));
    if (std::equal(awch, awch + nWide, awchLower))
        return;
    // UTF-8 takes neither a default character nor best-fit flags; any other code page is asked
    // for no best-fit stand-in, which would not read back as the letter.
    char folded[8];
    BOOL bDefault = FALSE;
    const int nFolded = nCodePage == CP_UTF8
                            ? WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, awchLower, nWide,
                                                  folded, sizeof folded, nullptr, nullptr)
                            : WideCharToMultiByte(nCodePage, WC_NO_BEST_FIT_CHARS, awchLower, nWide,
                                                  folded, sizeof folded, nullptr, &bDefault);
    if (nFolded == nBytes && !bDefault)
        std::memcpy(pch, folded, static_cast<size_t>(nBytes));
}

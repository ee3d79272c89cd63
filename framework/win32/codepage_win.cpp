#include <algorithm>
#include <cstring>

#include "framework/codepage.h"
#include "framework/windef.h"

// The process's ANSI code page, as the framework's string class follows it in its multi-byte
// build: UTF-8 where the manifest obtains it (Windows 10 1903 on), else the system's, double-byte
// ones included. A letter's lower case is the one the system's Unicode tables give it, taken only
// when it has a form of the same length in the code page, so that folding never moves an offset.

namespace {

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
        if (IsUtf8()) {
            // The system's own reading of UTF-8: the shortest well-formed character here.
            for (int n = 1; n <= std::min(nLeft, 4); ++n) {
                if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, pch, n, nullptr, 0) > 0)
                    return n;
            }
            return 1;
        }
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

int armwright::sys::CharLength(const char* pch, int nLeft) {
    return AnsiCodePage().CharLength(pch, nLeft);
}

void armwright::sys::LowerCharacter(char* pch, int nBytes) {
    if (nBytes == 1)
        *pch = AnsiCodePage().LowerByte(*pch);
    else
        AnsiCodePage().FoldCharacter(pch, nBytes);
}

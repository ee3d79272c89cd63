#include <cctype>
#include <cstring>
#include <string_view>

#include "framework/codepage.h"

// The stand-in's ANSI code page has one byte per character and folds only the ASCII letters, as
// the C locale does.

namespace {

char Fold(char ch) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
}

}  // namespace

int armwright::CodePageFindChar(const char* pch, int nLength, int nStart, char ch) {
    if (nStart < 0 || nStart >= nLength)
        return -1;
    const void* pFound = std::memchr(pch + nStart, ch, static_cast<size_t>(nLength - nStart));
    return pFound ? static_cast<int>(static_cast<const char*>(pFound) - pch) : -1;
}

int armwright::CodePageReverseFindChar(const char* pch, int nLength, char ch) {
    for (int i = nLength - 1; i >= 0; --i) {
        if (pch[i] == ch)
            return i;
    }
    return -1;
}

int armwright::CodePageFindText(const char* pch, int nLength, int nStart, const char* pszSub) {
    if (nStart < 0 || nStart > nLength)
        return -1;
    size_t nFound = std::string_view(pch, static_cast<size_t>(nLength))
                        .find(pszSub, static_cast<size_t>(nStart));
    return nFound == std::string_view::npos ? -1 : static_cast<int>(nFound);
}

void armwright::CodePageLower(char* pch, size_t nLength) {
    for (size_t i = 0; i < nLength; ++i)
        pch[i] = Fold(pch[i]);
}

int armwright::CodePageCompareNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(Fold(*a));
        unsigned char cb = static_cast<unsigned char>(Fold(*b));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (!ca)
            return 0;
    }
}

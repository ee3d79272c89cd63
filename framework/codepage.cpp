#include "framework/codepage.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace armwright {

int CodePageFindChar(const char* pch, int nLength, int nStart, char ch) {
    for (int i = nStart, n = 0; i >= 0 && i < nLength; i += n) {
        n = sys::CharLength(pch + i, nLength - i);
        if (n == 1 && pch[i] == ch)
            return i;
    }
    return -1;
}

int CodePageReverseFindChar(const char* pch, int nLength, char ch) {
    int nFound = -1;
    for (int i = 0, n = 0; i < nLength; i += n) {
        n = sys::CharLength(pch + i, nLength - i);
        if (n == 1 && pch[i] == ch)
            nFound = i;
    }
    return nFound;
}

int CodePageFindText(const char* pch, int nLength, int nStart, const char* pszSub) {
    if (nStart < 0 || nStart > nLength)
        return -1;
    const int nSub = static_cast<int>(std::strlen(pszSub));
    for (int i = nStart; i + nSub <= nLength; i += sys::CharLength(pch + i, nLength - i)) {
        if (std::memcmp(pch + i, pszSub, static_cast<size_t>(nSub)) == 0)
            return i;
    }
    return -1;
}

void CodePageLower(char* pch, size_t nLength) {
    for (size_t i = 0; i < nLength;) {
        const int n = sys::CharLength(pch + i, static_cast<int>(std::min<size_t>(nLength - i, 4)));
        sys::LowerCharacter(pch + i, n);
        i += static_cast<size_t>(n);
    }
}

int CodePageCompareNoCase(const char* a, const char* b) {
    std::string strA(a), strB(b);
    CodePageLower(&strA[0], strA.size());
    CodePageLower(&strB[0], strB.size());
    const int nOrder = strA.compare(strB);
    return nOrder < 0 ? -1 : nOrder > 0 ? 1 : 0;
}

}  // namespace armwright

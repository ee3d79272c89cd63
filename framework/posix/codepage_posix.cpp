#include <strings.h>

#include <cctype>

#include "framework/codepage.h"

// The stand-in's ANSI code page folds only the ASCII letters, as the C locale does.

void armwright::CodePageLower(char* psz) {
    for (; *psz; ++psz)
        *psz = static_cast<char>(std::tolower(static_cast<unsigned char>(*psz)));
}

int armwright::CodePageCompareNoCase(const char* a, const char* b) {
    return strcasecmp(a, b);
}

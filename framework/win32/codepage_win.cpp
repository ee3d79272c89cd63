#include <mbstring.h>

#include <cstring>

#include "framework/codepage.h"
#include "framework/windef.h"

// Both follow the system's ANSI code page, multi-byte characters included, as the framework's
// string class does on Windows.

void armwright::CodePageLower(char* psz) {
    CharLowerBuffA(psz, static_cast<DWORD>(std::strlen(psz)));
}

int armwright::CodePageCompareNoCase(const char* a, const char* b) {
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a),
                    reinterpret_cast<const unsigned char*>(b));
}

#include <cctype>

#include "framework/codepage.h"

// The stand-in's ANSI code page has one byte per character and folds only the ASCII letters, as
// the C locale does.

int armwright::sys::CharLength(const char*, int) {
    return 1;
}

void armwright::sys::LowerCharacter(char* pch, int) {
    *pch = static_cast<char>(std::tolower(static_cast<unsigned char>(*pch)));
}

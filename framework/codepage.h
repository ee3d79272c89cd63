// What each backend gives the string class: the characters of the process's ANSI code page and
// their letter case. Searches step over whole characters (a double-byte one, or a UTF-8
// sequence), so that no byte inside a character is taken for a character of its own.
#pragma once

namespace armwright {
namespace sys {

// Bytes in the character at pch, of the nLeft (at least 1) that remain; a byte that starts no
// whole character stands alone.
int CharLength(const char* pch, int nLeft);
// Writes the lower case of the character of nBytes bytes at pch over it, where it has one of the
// same length.
void LowerCharacter(char* pch, int nBytes);

}  // namespace sys
}  // namespace armwright

// Text in the process's ANSI code page, as the string class needs it. Searches step over whole
// characters (a double-byte one, or a UTF-8 sequence), so that no byte inside a character is
// taken for a character of its own, and letter case has one fold, which lower-casing and
// comparing share.
#pragma once

#include <cstddef>

namespace armwright {

// Offset of the first character `ch` in the nLength bytes at pch, from the character that starts
// at nStart on; -1 when there is none.
int CodePageFindChar(const char* pch, int nLength, int nStart, char ch);
// Offset of the last character `ch` in the nLength bytes at pch; -1 when there is none.
int CodePageReverseFindChar(const char* pch, int nLength, char ch);
// Offset of the first place, from the character that starts at nStart on, where the zero-ended
// pszSub begins on a character of the nLength bytes at pch and matches; -1 when there is none.
int CodePageFindText(const char* pch, int nLength, int nStart, const char* pszSub);

// Folds the letter case of the nLength bytes at pch in place; the length never changes.
void CodePageLower(char* pch, size_t nLength);
// Compares the two zero-ended texts as CodePageLower folds them: <0, 0 or >0.
int CodePageCompareNoCase(const char* a, const char* b);

// What each backend gives: its code page's characters and their letter case.
namespace sys {
// Bytes in the character at pch, of the nLeft (at least 1) that remain; a byte that starts no
// whole character stands alone.
int CharLength(const char* pch, int nLeft);
// Writes the lower case of the character of nBytes bytes at pch over it, where it has one of the
// same length.
void LowerCharacter(char* pch, int nBytes);
}  // namespace sys

}  // namespace armwright

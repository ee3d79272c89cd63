// Letter case in the system's ANSI code page, as the string class needs it.
#pragma once

// Lower-cases the zero-terminated text in place.
void AfxAnsiLower(char* psz);
// Compares two texts ignoring letter case: <0, 0 or >0.
int AfxAnsiCompareNoCase(const char* a, const char* b);

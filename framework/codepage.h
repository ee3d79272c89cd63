// Letter case in the system's ANSI code page, as the string class needs it.
#pragma once

namespace armwright {

// Lower-cases the zero-terminated text in place.
void CodePageLower(char* psz);
// Compares two texts ignoring letter case: <0, 0 or >0.
int CodePageCompareNoCase(const char* a, const char* b);

}  // namespace armwright

// Windows paths as the backend's calls take them.
#pragma once

#include <string>

#include "framework/windef.h"

namespace armwright {

// The path in UTF-16, in the verbatim form of its full path, which no call changes or limits to
// MAX_PATH; false when the text is not one of the code page.
bool WidePath(LPCSTR lpszPath, std::wstring& strWide);

}  // namespace armwright

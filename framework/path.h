// Paths as the program names them, Windows paths in the process's code page, and as the system's
// own calls take them.
#pragma once

#include <string>

#include "framework/windef.h"

namespace armwright {

// The path as this system's calls take it: on POSIX through the Windows view, where drive Z: is
// the root as Wine shows it; on Windows in UTF-16, the verbatim form of its full path, which no
// call changes or limits to MAX_PATH. False when the path cannot be expressed so.
bool SystemPath(LPCSTR lpszPath, PathString& strPath);
// The program's name for a full system path; empty when the view cannot express it. A character
// that the code page lacks becomes '?', which no file name holds, never a look-alike that could
// name another file.
std::string ProgramPath(const PathString& strPath);

}  // namespace armwright

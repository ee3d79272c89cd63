// The Windows view of the POSIX file system, as Wine shows it: drive Z: is the root.
#pragma once

#include <string>

namespace armwright {

// "/opt/aw/x" -> "Z:\opt\aw\x"; empty for a path the view cannot express (one holding a
// backslash).
std::string WindowsPathFromPosix(const std::string& strPath);
// "Z:\opt\aw\x" (either letter case) -> "/opt/aw/x"; false for any other drive or no drive.
bool PosixPathFromWindows(const char* pszPath, std::string& strPath);

}  // namespace armwright

#include "path_posix.h"

#include <algorithm>

std::string armwright::WindowsPathFromPosix(const std::string& strPath) {
    // A backslash is a separator in the view, and would name another folder.
    if (strPath.find('\\') != std::string::npos)
        return std::string();
    std::string strResult = "Z:" + strPath;
    std::replace(strResult.begin(), strResult.end(), '/', '\\');
    return strResult;
}

bool armwright::PosixPathFromWindows(const char* pszPath, std::string& strPath) {
    if ((pszPath[0] != 'Z' && pszPath[0] != 'z') || pszPath[1] != ':' || pszPath[2] != '\\')
        return false;
    strPath = pszPath + 2;
    std::replace(strPath.begin(), strPath.end(), '\\', '/');
    return true;
}

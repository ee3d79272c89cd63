#include <algorithm>

#include "framework/path.h"

bool armwright::SystemPath(LPCSTR lpszPath, PathString& strPath) {
    if ((lpszPath[0] != 'Z' && lpszPath[0] != 'z') || lpszPath[1] != ':' || lpszPath[2] != '\\')
        return false;
    strPath = lpszPath + 2;
    std::replace(strPath.begin(), strPath.end(), '\\', '/');
    return true;
}

std::string armwright::ProgramPath(const PathString& strPath) {
    // A backslash is a separator in the view, and would name another folder.
    if (strPath.find('\\') != std::string::npos)
        return std::string();
    std::string strResult = "Z:" + strPath;
    std::replace(strResult.begin(), strResult.end(), '/', '\\');
    return strResult;
}

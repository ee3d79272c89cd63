#include <algorithm>

#include "framework/path.h"
#include "framework/syscall.h"

bool armwright::SystemPath(LPCSTR lpszPath, PathString& strPath) {
    const int nWide = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, lpszPath, -1, nullptr, 0);
    if (nWide <= 1)
        return false;
    std::wstring strGiven(static_cast<size_t>(nWide), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, lpszPath, -1, &strGiven[0], nWide);
    if (strGiven.compare(0, 4, L"\\\\?\\") == 0) {
        strPath.assign(strGiven.c_str());
        return true;
    }
    const DWORD nSize = AW_SYSCALL(GetFullPathNameW)(strGiven.c_str(), 0, nullptr, nullptr);
    std::wstring strFull(nSize, L'\0');
    if (nSize == 0 ||
        AW_SYSCALL(GetFullPathNameW)(strGiven.c_str(), nSize, &strFull[0], nullptr) + 1 != nSize)
        return false;
    strFull.resize(nSize - 1);
    // "\\.\C:\..." is a local path too; only "\\server\share\..." is one of the network.
    size_t nSkip = strFull.compare(0, 4, L"\\\\.\\") == 0 ? 4 : 0;
    if (nSkip == 0 && strFull.compare(0, 2, L"\\\\") == 0)
        nSkip = 2;
    strPath = (nSkip == 2 ? L"\\\\?\\UNC\\" : L"\\\\?\\") + strFull.substr(nSkip);
    return true;
}

std::string armwright::ProgramPath(const PathString& strPath) {
    // UTF-8 holds every character, and takes neither flags nor a default character.
    const bool bUtf8 = GetACP() == CP_UTF8;
    const DWORD nFlags = bUtf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const LPCSTR pszDefault = bUtf8 ? nullptr : "?";
    const int nWide = static_cast<int>(strPath.size());
    const int nBytes = nWide == 0 ? 0
                                  : WideCharToMultiByte(CP_ACP, nFlags, strPath.data(), nWide,
                                                        nullptr, 0, pszDefault, nullptr);
    std::string strText(static_cast<size_t>(std::max(nBytes, 0)), '\0');
    if (nBytes > 0)
        WideCharToMultiByte(CP_ACP, nFlags, strPath.data(), nWide, &strText[0], nBytes, pszDefault,
                            nullptr);
    return strText;
}

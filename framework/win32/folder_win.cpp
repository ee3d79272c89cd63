#include "framework/folder.h"
#include "framework/syscall.h"
#include "path_win.h"

namespace armwright {

bool MakeFolder(LPCSTR lpszPath) {
    std::wstring strPath;
    if (!WidePath(lpszPath, strPath))
        return false;
    AW_SYSCALL(CreateDirectoryW)(strPath.c_str(), nullptr);  // or it is there already
    const DWORD nAttributes = GetFileAttributesW(strPath.c_str());
    return nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> FilesIn(LPCSTR lpszPath) {
    std::vector<std::string> names;
    std::wstring strPath;
    WIN32_FIND_DATAW data;
    HANDLE h = WidePath(lpszPath, strPath)
                   ? AW_SYSCALL(FindFirstFileW)((strPath + L"\\*").c_str(), &data)
                   : INVALID_HANDLE_VALUE;
    for (bool bMore = h != INVALID_HANDLE_VALUE; bMore; bMore = FindNextFileW(h, &data)) {
        char szName[MAX_PATH * 3];
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            WideCharToMultiByte(CP_ACP, 0, data.cFileName, -1, szName,
                                static_cast<int>(sizeof szName), nullptr, nullptr) > 0)
            names.push_back(szName);
    }
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
    return names;
}

bool RemoveFile(LPCSTR lpszPath) {
    std::wstring strPath;
    return WidePath(lpszPath, strPath) && AW_SYSCALL(DeleteFileW)(strPath.c_str());
}

}  // namespace armwright

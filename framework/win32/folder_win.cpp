#include "framework/folder.h"
#include "framework/path.h"
#include "framework/syscall.h"

namespace armwright {

bool MakeFolder(LPCSTR lpszPath) {
    std::wstring strPath;
    if (!SystemPath(lpszPath, strPath))
        return false;
    AW_SYSCALL(CreateDirectoryW)(strPath.c_str(), nullptr);  // or it is there already
    const DWORD nAttributes = GetFileAttributesW(strPath.c_str());
    return nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> FilesIn(LPCSTR lpszPath) {
    std::vector<std::string> names;
    std::wstring strPath;
    WIN32_FIND_DATAW data;
    HANDLE h = SystemPath(lpszPath, strPath)
                   ? AW_SYSCALL(FindFirstFileW)((strPath + L"\\*").c_str(), &data)
                   : INVALID_HANDLE_VALUE;
    for (bool bMore = h != INVALID_HANDLE_VALUE; bMore; bMore = FindNextFileW(h, &data)) {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(ProgramPath(data.cFileName));
    }
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
    return names;
}

bool RemoveFile(LPCSTR lpszPath) {
    std::wstring strPath;
    return SystemPath(lpszPath, strPath) && AW_SYSCALL(DeleteFileW)(strPath.c_str());
}

}  // namespace armwright

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "framework/folder.h"
#include "framework/path.h"
#include "framework/syscall.h"

namespace armwright {

bool MakeFolder(LPCSTR lpszPath) {
    std::string strPath;
    struct stat st;
    return SystemPath(lpszPath, strPath) &&
           (AW_SYSCALL(mkdir)(strPath.c_str(), 0777) == 0 || errno == EEXIST) &&
           stat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> FilesIn(LPCSTR lpszPath) {
    std::vector<std::string> names;
    std::string strPath;
    DIR* pDir = SystemPath(lpszPath, strPath) ? opendir(strPath.c_str()) : nullptr;
    while (const struct dirent* pEntry = pDir ? readdir(pDir) : nullptr) {
        if (pEntry->d_type == DT_REG)
            names.push_back(pEntry->d_name);
    }
    if (pDir)
        closedir(pDir);
    return names;
}

bool RemoveFile(LPCSTR lpszPath) {
    std::string strPath;
    return SystemPath(lpszPath, strPath) && AW_SYSCALL(unlink)(strPath.c_str()) == 0;
}

}  // namespace armwright

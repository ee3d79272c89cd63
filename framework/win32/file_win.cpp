#include <io.h>

#include <cstdio>
#include <string>

#include "framework/file.h"

namespace {

// Closes a kernel handle on every path out of a scope.
class CHandle {
public:
    explicit CHandle(HANDLE h) : m_h(h) {}
    ~CHandle() {
        if (m_h != INVALID_HANDLE_VALUE)
            CloseHandle(m_h);
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    HANDLE Get() const { return m_h; }

private:
    HANDLE m_h;
};

// The folder part of a path, for a temporary file that must share the target's volume.
std::string FolderOf(const std::string& strPath) {
    size_t nSep = strPath.find_last_of("\\/");
    if (nSep == std::string::npos)
        return strPath.size() >= 2 && strPath[1] == ':' ? strPath.substr(0, 2) : ".";
    return strPath.substr(0, nSep + 1);
}

// Fills the temporary file in text mode, so that line ends come out as CR LF just as the
// library's own SaveFile writes them here, and makes it durable before it can replace anything.
bool WriteTemporary(const char* pszTemp, const std::function<bool(FILE*)>& write) {
    FILE* fp = std::fopen(pszTemp, "w");
    if (!fp)
        return false;
    bool bOk = write(fp) && !std::ferror(fp) && std::fflush(fp) == 0;
    if (bOk) {
        HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(fp)));
        bOk = h != INVALID_HANDLE_VALUE && FlushFileBuffers(h);
    }
    return (std::fclose(fp) == 0) && bOk;
}

}  // namespace

bool armwright::ReadWholeFile(LPCSTR lpszPath, std::vector<char>& data, size_t nPadding) {
    CHandle file(CreateFileA(lpszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE || GetFileType(file.Get()) != FILE_TYPE_DISK)
        return false;
    data.clear();
    LARGE_INTEGER size;
    if (GetFileSizeEx(file.Get(), &size))
        data.reserve(static_cast<size_t>(size.QuadPart) + nPadding);
    char buffer[65536];
    for (;;) {
        DWORD nRead = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &nRead, nullptr))
            return false;
        if (nRead == 0)
            break;
        data.insert(data.end(), buffer, buffer + nRead);
    }
    data.resize(data.size() + nPadding, '\0');
    return true;
}

bool armwright::SaveFileSafely(LPCSTR lpszPath, const std::function<bool(FILE*)>& write) {
    const DWORD dwAttributes = GetFileAttributesA(lpszPath);
    const bool bExists = dwAttributes != INVALID_FILE_ATTRIBUTES;
    if (bExists && (dwAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;

    char szTemp[MAX_PATH];
    if (!GetTempFileNameA(FolderOf(lpszPath).c_str(), "aw", 0, szTemp))
        return false;
    bool bOk = WriteTemporary(szTemp, write);
    // The new file takes the target's place with the target's attributes (hidden, archive...).
    if (bOk && bExists)
        bOk = SetFileAttributesA(szTemp, dwAttributes) != 0;
    if (bOk)
        bOk = MoveFileExA(szTemp, lpszPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!bOk) {
        SetFileAttributesA(szTemp, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(szTemp);
    }
    return bOk;
}

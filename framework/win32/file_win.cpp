#include <aclapi.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/file.h"

namespace {

using armwright::FileStamp;
using armwright::SaveResult;

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The attributes a new file can be given; read-only targets are never written.
const DWORD kCopiedAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE;

// Closes a kernel handle on every path out of a scope.
class CHandle {
public:
    explicit CHandle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    ~CHandle() { Reset(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    HANDLE Get() const { return m_h; }
    bool IsValid() const { return m_h != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (IsValid())
            CloseHandle(m_h);
        m_h = h;
    }

private:
    HANDLE m_h;
};

// A temporary file of ours: closed, then deleted, when its scope ends, unless it was kept.
class CTemporaryFile {
public:
    CTemporaryFile() = default;
    ~CTemporaryFile() {
        m_file.Reset();
        if (!m_strPath.empty())
            DeleteFileA(m_strPath.c_str());
    }
    CTemporaryFile(const CTemporaryFile&) = delete;
    CTemporaryFile& operator=(const CTemporaryFile&) = delete;

    // Creates a new file in strFolder (which ends with a separator) under a short name of its
    // own, so that it fits wherever the target's name does; false when the folder will not have
    // it. A file opened with FILE_FLAG_DELETE_ON_CLOSE needs no deleting by name.
    bool Create(const std::string& strFolder, DWORD dwFlags) {
        const DWORD nSeed = GetTickCount() * 2654435761u ^ GetCurrentProcessId();
        for (DWORD n = 0; n < 64; ++n) {
            char szName[16];
            std::snprintf(szName, sizeof szName, "~aw%05lx.tmp", (nSeed + n * 40503u) & 0xFFFFFu);
            std::string strPath = strFolder + szName;
            m_file.Reset(CreateFileA(strPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                     nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | dwFlags,
                                     nullptr));
            if (m_file.IsValid()) {
                if (!(dwFlags & FILE_FLAG_DELETE_ON_CLOSE))
                    m_strPath = strPath;
                return true;
            }
            if (GetLastError() != ERROR_FILE_EXISTS)
                return false;
        }
        return false;
    }

    HANDLE Handle() const { return m_file.Get(); }
    const std::string& Path() const { return m_strPath; }
    // Closes the file, which keeps its name for a move.
    void Close() { m_file.Reset(); }
    // Opens the closed file again to read it.
    bool Reopen() {
        m_file.Reset(CreateFileA(m_strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return m_file.IsValid();
    }
    // The file has become the target: it is no longer ours to delete.
    void Keep() { m_strPath.clear(); }

private:
    CHandle m_file;
    std::string m_strPath;
};

uint64_t MakeUInt64(DWORD nHigh, DWORD nLow) {
    return (static_cast<uint64_t>(nHigh) << 32) | nLow;
}

FileStamp StampOf(const BY_HANDLE_FILE_INFORMATION& info) {
    FileStamp stamp;
    stamp.nVolume = info.dwVolumeSerialNumber;
    stamp.nIndex = MakeUInt64(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.nSize = MakeUInt64(info.nFileSizeHigh, info.nFileSizeLow);
    stamp.nWriteTime = static_cast<int64_t>(
        MakeUInt64(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
    return stamp;
}

// Opens an existing file on disk with dwAccess (which must let its attributes be read) and
// describes it in `info`. Opening never waits on a pipe or a device; what is not a file on disk
// is closed again at once and refused, as is a folder.
HANDLE OpenDiskFile(LPCSTR lpszPath, DWORD dwAccess, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h = CreateFileA(lpszPath, dwAccess, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return h;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(h);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

// The file that writing to lpszPath really changes: symbolic links and junctions followed to
// their end. A path that names nothing stays as it is; a link that leads nowhere is refused.
bool ResolveTarget(LPCSTR lpszPath, std::string& strTarget) {
    strTarget = lpszPath;
    CHandle file(CreateFileA(lpszPath, 0, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.IsValid()) {
        CHandle link(CreateFileA(lpszPath, 0, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr));
        return !link.IsValid();
    }
    std::string strFinal(MAX_PATH, '\0');
    for (;;) {
        DWORD nLength =
            GetFinalPathNameByHandleA(file.Get(), &strFinal[0], static_cast<DWORD>(strFinal.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (nLength == 0)
            return true;  // a file system that cannot say: the path as given
        if (nLength < strFinal.size()) {
            strFinal.resize(nLength);
            break;
        }
        strFinal.resize(nLength + 1);
    }
    // The plain form where it fits, for the calls that limit a path to MAX_PATH without it.
    if (strFinal.compare(0, 8, "\\\\?\\UNC\\") == 0 && strFinal.size() - 6 < MAX_PATH)
        strTarget = "\\\\" + strFinal.substr(8);
    else if (strFinal.compare(0, 4, "\\\\?\\") == 0 && strFinal.size() - 4 < MAX_PATH)
        strTarget = strFinal.substr(4);
    else
        strTarget = strFinal;
    return true;
}

// The folder part of a path, with its separator.
std::string FolderOf(const std::string& strPath) {
    size_t nSep = strPath.find_last_of("\\/");
    if (nSep == std::string::npos)
        return strPath.size() >= 2 && strPath[1] == ':' ? strPath.substr(0, 2) : ".\\";
    return strPath.substr(0, nSep + 1);
}

// Fills the open file through the C library in text mode, so that line ends come out as CR LF
// just as the library's own SaveFile writes them, and makes the bytes durable. An exception from
// `write` is a failure like any other.
bool Print(HANDLE hFile, const std::function<bool(FILE*)>& write) {
    HANDLE hCopy = INVALID_HANDLE_VALUE;
    if (!DuplicateHandle(GetCurrentProcess(), hFile, GetCurrentProcess(), &hCopy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return false;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(hCopy), _O_TEXT);
    if (fd < 0) {
        CloseHandle(hCopy);
        return false;
    }
    FILE* fp = _fdopen(fd, "w");
    if (!fp) {
        _close(fd);
        return false;
    }
    bool bOk = false;
    try {
        bOk = write(fp) && !std::ferror(fp) && std::fflush(fp) == 0;
    } catch (...) {
        bOk = false;
    }
    bOk = std::fclose(fp) == 0 && bOk;
    return bOk && FlushFileBuffers(hFile);
}

// Whether two access lists hold the same entries in the same order; two absent ones are equal.
bool SameAcl(PACL pA, PACL pB) {
    if (!pA || !pB)
        return pA == pB;
    if (pA->AceCount != pB->AceCount)
        return false;
    for (DWORD i = 0; i < pA->AceCount; ++i) {
        void* pAceA = nullptr;
        void* pAceB = nullptr;
        if (!GetAce(pA, i, &pAceA) || !GetAce(pB, i, &pAceB))
            return false;
        const WORD nSize = static_cast<ACE_HEADER*>(pAceA)->AceSize;
        if (nSize != static_cast<ACE_HEADER*>(pAceB)->AceSize ||
            std::memcmp(pAceA, pAceB, nSize) != 0)
            return false;
    }
    return true;
}

// Whether the open new file already has the owner and the access list of the file at strPath,
// so that taking its place changes neither. One that cannot be read counts as different.
bool SameSecurity(const std::string& strPath, HANDLE hFile) {
    const SECURITY_INFORMATION nWhat = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    PSID pOwnerOfPath = nullptr, pOwnerOfFile = nullptr;
    PACL pAclOfPath = nullptr, pAclOfFile = nullptr;
    PSECURITY_DESCRIPTOR pPath = nullptr, pFile = nullptr;
    bool bSame = GetNamedSecurityInfoA(strPath.c_str(), SE_FILE_OBJECT, nWhat, &pOwnerOfPath,
                                       nullptr, &pAclOfPath, nullptr, &pPath) == ERROR_SUCCESS &&
                 GetSecurityInfo(hFile, SE_FILE_OBJECT, nWhat, &pOwnerOfFile, nullptr, &pAclOfFile,
                                 nullptr, &pFile) == ERROR_SUCCESS &&
                 EqualSid(pOwnerOfPath, pOwnerOfFile) && SameAcl(pAclOfPath, pAclOfFile);
    LocalFree(pPath);
    LocalFree(pFile);
    return bSame;
}

// Gives the new file the target's attributes and creation time.
bool CopyBasics(const BY_HANDLE_FILE_INFORMATION& target, HANDLE hFile) {
    FILE_BASIC_INFO basic = {};
    basic.CreationTime.QuadPart = static_cast<LONGLONG>(
        MakeUInt64(target.ftCreationTime.dwHighDateTime, target.ftCreationTime.dwLowDateTime));
    basic.FileAttributes = target.dwFileAttributes & kCopiedAttributes;
    if (!basic.FileAttributes)
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(hFile, FileBasicInfo, &basic, sizeof basic) != 0;
}

// Whether the open file has streams besides its data. A file system that cannot list them (FAT,
// or Wine's) keeps none.
bool HasNamedStreams(HANDLE hFile) {
    alignas(FILE_STREAM_INFO) char buffer[4096];
    if (!GetFileInformationByHandleEx(hFile, FileStreamInfo, buffer, sizeof buffer))
        return GetLastError() == ERROR_MORE_DATA;
    const std::wstring strData = L"::$DATA";
    for (const char* p = buffer;;) {
        const FILE_STREAM_INFO* pInfo = reinterpret_cast<const FILE_STREAM_INFO*>(p);
        if (std::wstring(pInfo->StreamName, pInfo->StreamNameLength / sizeof(WCHAR)) != strData)
            return true;
        if (!pInfo->NextEntryOffset)
            return false;
        p += pInfo->NextEntryOffset;
    }
}

// Whether the new file, given the target's attributes and creation time, can take the target's
// place with nothing lost: the same owner and access list, no streams left behind, and the same
// compression and encryption.
bool CarriesAll(const std::string& strTarget, HANDLE hTarget,
                const BY_HANDLE_FILE_INFORMATION& target, HANDLE hFile) {
    const DWORD nStorage = FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_ENCRYPTED;
    BY_HANDLE_FILE_INFORMATION file;
    return CopyBasics(target, hFile) && GetFileInformationByHandle(hFile, &file) &&
           (file.dwFileAttributes & nStorage) == (target.dwFileAttributes & nStorage) &&
           SameSecurity(strTarget, hFile) && !HasNamedStreams(hTarget);
}

bool SetEnd(HANDLE hFile, uint64_t nSize) {
    FILE_END_OF_FILE_INFO end;
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(nSize);
    return SetFileInformationByHandle(hFile, FileEndOfFileInfo, &end, sizeof end) != 0;
}

// Rewrites the open target with the bytes of the open source, as a user could when the file may
// not be replaced: the space is reserved first, so that a full disk fails before a byte changes,
// then come the bytes, the new end and the flush.
bool RewriteInPlace(HANDLE hTarget, uint64_t nOldSize, HANDLE hSource) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(hSource, &size))
        return false;
    const uint64_t nSize = static_cast<uint64_t>(size.QuadPart);
    if (nSize > nOldSize) {
        // Where the system cannot reserve (Wine does not), extending the file still does on NTFS.
        FILE_ALLOCATION_INFO allocation;
        allocation.AllocationSize = size;
        const bool bReserved = SetFileInformationByHandle(hTarget, FileAllocationInfo, &allocation,
                                                          sizeof allocation) ||
                               GetLastError() == ERROR_CALL_NOT_IMPLEMENTED ||
                               GetLastError() == ERROR_NOT_SUPPORTED ||
                               GetLastError() == ERROR_INVALID_PARAMETER;
        if (!bReserved || !SetEnd(hTarget, nSize)) {
            SetEnd(hTarget, nOldSize);
            return false;
        }
    }
    LARGE_INTEGER start = {};
    if (!SetFilePointerEx(hSource, start, nullptr, FILE_BEGIN) ||
        !SetFilePointerEx(hTarget, start, nullptr, FILE_BEGIN))
        return false;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        DWORD nRead = 0, nWritten = 0;
        if (!ReadFile(hSource, buffer.data(), static_cast<DWORD>(buffer.size()), &nRead, nullptr))
            return false;
        if (nRead == 0)
            break;
        if (!WriteFile(hTarget, buffer.data(), nRead, &nWritten, nullptr) || nWritten != nRead)
            return false;
    }
    return SetEnd(hTarget, nSize) && FlushFileBuffers(hTarget);
}

// Whether the file at strPath is still the one that was loaded.
bool IsExpected(const std::string& strPath, const FileStamp* pExpected) {
    FileStamp stamp;
    return !pExpected || (armwright::GetFileStamp(strPath.c_str(), stamp) && stamp == *pExpected);
}

}  // namespace

bool armwright::ReadWholeFile(LPCSTR lpszPath, std::vector<char>& data, size_t nPadding,
                              FileStamp* pStamp) {
    BY_HANDLE_FILE_INFORMATION info;
    CHandle file(OpenDiskFile(lpszPath, GENERIC_READ, info));
    if (!file.IsValid())
        return false;
    if (pStamp)
        *pStamp = StampOf(info);
    data.clear();
    data.reserve(static_cast<size_t>(MakeUInt64(info.nFileSizeHigh, info.nFileSizeLow)) + nPadding);
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

bool armwright::GetFileStamp(LPCSTR lpszPath, FileStamp& stamp) {
    BY_HANDLE_FILE_INFORMATION info;
    CHandle file(OpenDiskFile(lpszPath, FILE_READ_ATTRIBUTES, info));
    if (!file.IsValid())
        return false;
    stamp = StampOf(info);
    return true;
}

SaveResult armwright::SaveFileSafely(LPCSTR lpszPath, const std::function<bool(FILE*)>& write,
                                     const FileStamp* pExpected, const FileStamp*) {
    std::string strTarget;
    if (!ResolveTarget(lpszPath, strTarget))
        return SaveResult::Failed;
    // Opened as its user would open it to write to it: an ACL that denies writing, the read-only
    // attribute, or another program that holds it open without sharing writes refuses the save.
    BY_HANDLE_FILE_INFORMATION info = {};
    CHandle target(OpenDiskFile(strTarget.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, info));
    const bool bExists = target.IsValid();
    if (!bExists && GetLastError() != ERROR_FILE_NOT_FOUND)
        return SaveResult::Failed;
    if (bExists && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
        return SaveResult::Failed;
    if (!bExists && pExpected)
        return SaveResult::Changed;

    // A new file would split a file of several names from its other names.
    bool bInPlace = bExists && info.nNumberOfLinks > 1;
    CTemporaryFile temporary;
    if (!bInPlace && !temporary.Create(FolderOf(strTarget), 0)) {
        if (!bExists)
            return SaveResult::Failed;
        bInPlace = true;
    }
    if (bInPlace) {
        // The text is printed whole before the first byte of the target changes.
        char szFolder[MAX_PATH + 1];
        DWORD nLength = GetTempPathA(sizeof szFolder, szFolder);
        if (nLength == 0 || nLength >= sizeof szFolder ||
            !temporary.Create(szFolder, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE))
            return SaveResult::Failed;
    }
    if (!Print(temporary.Handle(), write))
        return SaveResult::Failed;
    if (bExists && !bInPlace && !CarriesAll(strTarget, target.Get(), info, temporary.Handle()))
        bInPlace = true;

    if (!IsExpected(strTarget, pExpected))
        return SaveResult::Changed;
    const uint64_t nOldSize = MakeUInt64(info.nFileSizeHigh, info.nFileSizeLow);
    if (bInPlace)
        return RewriteInPlace(target.Get(), nOldSize, temporary.Handle()) ? SaveResult::Saved
                                                                          : SaveResult::Failed;

    // The rename is atomic where ReplaceFileA is not (Wine's removes the target first), and the
    // new file already carries all that ReplaceFileA would merge into it. No handle may stay open
    // on a file that a rename replaces.
    temporary.Close();
    target.Reset();
    const DWORD dwFlags = MOVEFILE_WRITE_THROUGH | (bExists ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExA(temporary.Path().c_str(), strTarget.c_str(), dwFlags)) {
        temporary.Keep();
        return SaveResult::Saved;
    }
    // Still the same file, which may not be replaced (another program holds it open sharing
    // writes, or the folder allows no delete in it): it is rewritten where it stands.
    BY_HANDLE_FILE_INFORMATION now;
    target.Reset(OpenDiskFile(strTarget.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, now));
    if (!bExists || !target.IsValid() || StampOf(now) != StampOf(info) || !temporary.Reopen())
        return SaveResult::Failed;
    return RewriteInPlace(target.Get(), nOldSize, temporary.Handle()) ? SaveResult::Saved
                                                                      : SaveResult::Failed;
}

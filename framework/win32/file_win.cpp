#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "framework/file.h"
#include "framework/save_outcome.h"

// Paths come in the process's code page and are turned into UTF-16 once; every call below takes
// them in that form, so that a name that the code page cannot hold (the end of a link, a folder
// of the user's profile) is never needed in it.
//
// Test builds compile this file with fault points of their own, to walk every failure path; the
// shipped program has none.
#ifndef ARMWRIGHT_SAVE_FAULT
#define ARMWRIGHT_SAVE_FAULT(step) false
#endif

namespace armwright {
namespace {

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The attributes a new file takes over from the one it replaces. Read-only targets are never
// written; OFFLINE says that the data lies elsewhere, which the new content does not.
const DWORD kCopiedAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_TEMPORARY;
// The rename of Windows 10 that replaces a file another program holds open, sharing deletes.
// Older systems refuse the class; the headers declare it only for builds that need Windows 10.
const FILE_INFO_BY_HANDLE_CLASS kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
const DWORD kRenameReplaceIfExists = 0x1;
const DWORD kRenamePosixSemantics = 0x2;
// A scanner or an indexer holds a file it has just seen for a moment; a rename waits that out.
const int kRenameTries = 20;
const DWORD kRenamePauseMs = 50;
// Written in pieces no bigger than this, which one WriteFile takes.
const size_t kLargestWrite = 1u << 30;

// Closes a kernel handle on every path out of a scope.
class CHandle {
public:
    explicit CHandle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    ~CHandle() { Reset(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    HANDLE Get() const { return m_h; }
    bool IsValid() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }
    void Reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (IsValid())
            CloseHandle(m_h);
        m_h = h;
    }

private:
    HANDLE m_h;
};

// The first 128 bits of the SHA-256 of bytes, through the system's own cryptographic provider,
// which every Windows since XP SP3 has in ADVAPI32.
class CContentHash {
public:
    CContentHash() {
        m_bOk = CryptAcquireContextW(&m_hProvider, nullptr, nullptr, PROV_RSA_AES,
                                     CRYPT_VERIFYCONTEXT | CRYPT_SILENT) &&
                CryptCreateHash(m_hProvider, CALG_SHA_256, 0, 0, &m_hHash);
    }
    ~CContentHash() {
        if (m_hHash)
            CryptDestroyHash(m_hHash);
        if (m_hProvider)
            CryptReleaseContext(m_hProvider, 0);
    }
    CContentHash(const CContentHash&) = delete;
    CContentHash& operator=(const CContentHash&) = delete;

    void Add(const char* p, size_t nSize) {
        while (m_bOk && nSize > 0) {
            const DWORD nPart = static_cast<DWORD>(std::min<size_t>(nSize, kLargestWrite));
            m_bOk = CryptHashData(m_hHash, reinterpret_cast<const BYTE*>(p), nPart, 0) != 0;
            p += nPart;
            nSize -= nPart;
        }
    }
    // Puts the hash into `stamp`; false when the provider failed at any step.
    bool Finish(FileStamp& stamp) {
        BYTE abHash[32];
        DWORD nLength = sizeof abHash;
        if (!m_bOk || !CryptGetHashParam(m_hHash, HP_HASHVAL, abHash, &nLength, 0) ||
            nLength != sizeof abHash)
            return false;
        std::memcpy(stamp.anContent, abHash, sizeof stamp.anContent);
        return true;
    }

private:
    HCRYPTPROV m_hProvider = 0;
    HCRYPTHASH m_hHash = 0;
    bool m_bOk = false;
};

uint64_t MakeUInt64(DWORD nHigh, DWORD nLow) {
    return (static_cast<uint64_t>(nHigh) << 32) | nLow;
}

uint64_t SizeOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return MakeUInt64(info.nFileSizeHigh, info.nFileSizeLow);
}

bool IsSameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

// The stamp of the open file, its content unread. The change time comes from the file's basic
// information where the file system keeps one, else it stays 0 on both sides of a comparison.
FileStamp StampOf(HANDLE hFile, const BY_HANDLE_FILE_INFORMATION& info) {
    FileStamp stamp;
    stamp.nVolume = info.dwVolumeSerialNumber;
    stamp.nIndex = MakeUInt64(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.nSize = SizeOf(info);
    stamp.nWriteTime = static_cast<int64_t>(
        MakeUInt64(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
    FILE_BASIC_INFO basic;
    if (GetFileInformationByHandleEx(hFile, FileBasicInfo, &basic, sizeof basic))
        stamp.nChangeTime = basic.ChangeTime.QuadPart;
    return stamp;
}

// Turns strPath into the form that names the file exactly on every system, whatever its length:
// "\\?\" and the full path, which no call changes or limits to MAX_PATH.
bool MakeVerbatim(std::wstring& strPath) {
    if (strPath.compare(0, 4, L"\\\\?\\") == 0)
        return true;
    std::wstring strFull(strPath.size() + MAX_PATH, L'\0');
    const DWORD nFull =
        GetFullPathNameW(strPath.c_str(), static_cast<DWORD>(strFull.size()), &strFull[0], nullptr);
    if (nFull == 0 || nFull >= strFull.size())
        return false;
    strFull.resize(nFull);
    strPath = strFull.compare(0, 2, L"\\\\") == 0 ? L"\\\\?\\UNC\\" + strFull.substr(2)
                                                  : L"\\\\?\\" + strFull;
    return true;
}

// The path in UTF-16. One too long for the plain form, which most calls limit to MAX_PATH, is
// made verbatim; false when the text is not one of the code page.
bool WidePath(LPCSTR lpszPath, std::wstring& strWide) {
    const int nWide = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, lpszPath, -1, nullptr, 0);
    if (nWide <= 1)
        return false;
    strWide.assign(static_cast<size_t>(nWide), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, lpszPath, -1, &strWide[0], nWide);
    strWide.resize(static_cast<size_t>(nWide - 1));
    // A folder's name must leave room for a file name of 12 characters in it.
    return strWide.size() < MAX_PATH - 12 || MakeVerbatim(strWide);
}

// Opens an existing file on disk with dwAccess (which must let its attributes be read) and
// describes it in `info`. Opening never waits on a pipe or a device; what is not a file on disk
// is closed again at once and refused, as is a folder.
HANDLE OpenDiskFile(const std::wstring& strPath, DWORD dwAccess, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h = CreateFileW(strPath.c_str(), dwAccess, kShareAll, nullptr, OPEN_EXISTING,
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

bool ReadAt(HANDLE hFile, uint64_t nOffset, char* p, DWORD nSize, DWORD& nRead) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(nOffset);
    at.OffsetHigh = static_cast<DWORD>(nOffset >> 32);
    nRead = 0;
    return ReadFile(hFile, p, nSize, &nRead, &at) || GetLastError() == ERROR_HANDLE_EOF;
}

// Hands everything from the file's start to its end to `take`, a block at a time.
template <typename Take>
bool ReadBlocks(HANDLE hFile, Take take) {
    std::vector<char> buffer(1 << 16);
    for (uint64_t nOffset = 0;;) {
        DWORD nRead = 0;
        if (!ReadAt(hFile, nOffset, buffer.data(), static_cast<DWORD>(buffer.size()), nRead))
            return false;
        if (nRead == 0)
            return true;
        take(buffer.data(), static_cast<size_t>(nRead));
        nOffset += nRead;
    }
}

bool WriteAt(HANDLE hFile, uint64_t nOffset, const char* p, size_t nLeft) {
    while (nLeft > 0) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(nOffset);
        at.OffsetHigh = static_cast<DWORD>(nOffset >> 32);
        const DWORD nPart = static_cast<DWORD>(std::min(nLeft, kLargestWrite));
        DWORD nWritten = 0;
        if (!WriteFile(hFile, p, nPart, &nWritten, &at) || nWritten == 0)
            return false;
        p += nWritten;
        nOffset += nWritten;
        nLeft -= nWritten;
    }
    return true;
}

bool SetEnd(HANDLE hFile, uint64_t nSize) {
    FILE_END_OF_FILE_INFO end;
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(nSize);
    return SetFileInformationByHandle(hFile, FileEndOfFileInfo, &end, sizeof end) != 0;
}

// Whether the open file is still the one `expected` stamps, its bytes included; `pContent`
// holds them when they have been read already.
bool IsExpected(HANDLE hFile, const FileStamp& expected,
                const std::vector<char>* pContent = nullptr) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(hFile, &info))
        return false;
    FileStamp stamp = StampOf(hFile, info);
    if (!stamp.HasSameMetadata(expected))
        return false;
    CContentHash hash;
    if (pContent)
        hash.Add(pContent->data(), pContent->size());
    else if (!ReadBlocks(hFile, [&hash](const char* p, size_t n) { hash.Add(p, n); }))
        return false;
    return hash.Finish(stamp) && stamp == expected;
}

// The folder part of a path, with its separator.
std::wstring FolderOf(const std::wstring& strPath) {
    const size_t nSep = strPath.find_last_of(L"\\/");
    if (nSep == std::wstring::npos)
        return strPath.size() >= 2 && strPath[1] == L':' ? strPath.substr(0, 2) : L".\\";
    return strPath.substr(0, nSep + 1);
}

// The file a save writes.
struct Target {
    std::wstring strPath;  // the end of a link, or the path as given
    // A link whose end the system does not name: it is written through, in place.
    bool bUnnamedEnd = false;
    bool bExists = false;
    BY_HANDLE_FILE_INFORMATION info = {};
};

// Finds the file that writing to strPath really changes. Only a path that is itself a reparse
// point (a symbolic link, a junction) is resolved; a path that names nothing stays as it is, and
// a link that leads nowhere is refused.
bool LocateTarget(const std::wstring& strPath, Target& target) {
    target.strPath = strPath;
    const DWORD nAttributes = GetFileAttributesW(strPath.c_str());
    if (nAttributes == INVALID_FILE_ATTRIBUTES || !(nAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    CHandle file(CreateFileW(strPath.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.IsValid())
        return false;
    std::wstring strFinal(MAX_PATH, L'\0');
    for (;;) {
        const DWORD nLength =
            GetFinalPathNameByHandleW(file.Get(), &strFinal[0], static_cast<DWORD>(strFinal.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (nLength == 0) {
            target.bUnnamedEnd = true;
            return true;
        }
        if (nLength < strFinal.size()) {
            strFinal.resize(nLength);
            break;
        }
        strFinal.resize(nLength + 1);
    }
    target.strPath = strFinal;
    return true;
}

// Runs `write` on `fp`; an exception from it is a failure like any other.
bool Produce(const std::function<bool(FILE*)>& write, FILE* fp) {
    try {
        return write(fp);
    } catch (...) {
        return false;
    }
}

// A stream of the C library in text mode on a copy of hFile, so that line ends come out as CR
// LF just as the library's own SaveFile writes them; nullptr when it cannot be had.
FILE* OpenTextStream(HANDLE hFile) {
    HANDLE hCopy = INVALID_HANDLE_VALUE;
    if (!DuplicateHandle(GetCurrentProcess(), hFile, GetCurrentProcess(), &hCopy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(hCopy), _O_TEXT);
    if (fd < 0) {
        CloseHandle(hCopy);
        return nullptr;
    }
    FILE* fp = _fdopen(fd, "w");
    if (!fp)
        _close(fd);
    return fp;
}

// The reading end of a pipe, drained into memory on a thread of its own while the printer fills
// the writing end. The C library's text mode, which makes the line ends, needs a descriptor, and
// Windows has no stream in memory; the thread only moves bytes.
struct PipeDrain {
    HANDLE hRead;
    std::string* pContent;
    bool bOk;
};

DWORD WINAPI DrainPipe(LPVOID pParameter) {
    PipeDrain& drain = *static_cast<PipeDrain*>(pParameter);
    std::vector<char> buffer(1 << 16);
    try {
        for (;;) {
            DWORD nRead = 0;
            if (!ReadFile(drain.hRead, buffer.data(), static_cast<DWORD>(buffer.size()), &nRead,
                          nullptr)) {
                drain.bOk = GetLastError() == ERROR_BROKEN_PIPE;  // the writer is done
                break;
            }
            drain.pContent->append(buffer.data(), nRead);
        }
    } catch (...) {
        drain.bOk = false;
    }
    // A printer still at work then fails instead of waiting on a full pipe.
    CloseHandle(drain.hRead);
    return 0;
}

// Prints the content into `content`, as the C library's text mode writes it to a file.
bool PrintToMemory(const std::function<bool(FILE*)>& write, std::string& content) {
    HANDLE hRead = nullptr, hWrite = nullptr;
    if (!CreatePipe(&hRead, &hWrite, nullptr, 1 << 16))
        return false;
    PipeDrain drain = {hRead, &content, false};
    CHandle thread(CreateThread(nullptr, 0, DrainPipe, &drain, 0, nullptr));
    if (!thread.IsValid()) {
        CloseHandle(hRead);
        CloseHandle(hWrite);
        return false;
    }
    FILE* fp = OpenTextStream(hWrite);
    CloseHandle(hWrite);
    bool bOk = false;
    if (fp) {
        bOk = Produce(write, fp) && !std::ferror(fp);
        bOk = std::fclose(fp) == 0 && bOk;
    }
    WaitForSingleObject(thread.Get(), INFINITE);
    return bOk && drain.bOk;
}

// Fills the open file through a text stream and makes the bytes durable.
bool Print(HANDLE hFile, const std::function<bool(FILE*)>& write) {
    FILE* fp = OpenTextStream(hFile);
    if (!fp)
        return false;
    bool bOk = Produce(write, fp) && !ARMWRIGHT_SAVE_FAULT(Write) && !std::ferror(fp) &&
               !ARMWRIGHT_SAVE_FAULT(Flush) && std::fflush(fp) == 0 &&
               !ARMWRIGHT_SAVE_FAULT(Sync) && FlushFileBuffers(hFile);
    bOk = std::fclose(fp) == 0 && !ARMWRIGHT_SAVE_FAULT(Close) && bOk;
    return bOk;
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

// Whether the new file already has the target's owner and access list, so that taking its
// place changes neither. One that cannot be read, or has no owner, counts as different.
bool SameSecurity(HANDLE hTarget, HANDLE hFile) {
    const SECURITY_INFORMATION nWhat = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    PSID pOwnerOfTarget = nullptr, pOwnerOfFile = nullptr;
    PACL pAclOfTarget = nullptr, pAclOfFile = nullptr;
    PSECURITY_DESCRIPTOR pTarget = nullptr, pFile = nullptr;
    const bool bSame = GetSecurityInfo(hTarget, SE_FILE_OBJECT, nWhat, &pOwnerOfTarget, nullptr,
                                       &pAclOfTarget, nullptr, &pTarget) == ERROR_SUCCESS &&
                       GetSecurityInfo(hFile, SE_FILE_OBJECT, nWhat, &pOwnerOfFile, nullptr,
                                       &pAclOfFile, nullptr, &pFile) == ERROR_SUCCESS &&
                       pOwnerOfTarget && pOwnerOfFile && EqualSid(pOwnerOfTarget, pOwnerOfFile) &&
                       SameAcl(pAclOfTarget, pAclOfFile);
    LocalFree(pTarget);
    LocalFree(pFile);
    return bSame;
}

// Gives the new file the target's attributes and creation time; its content is new, which
// ARCHIVE tells the backup programs that go by it.
bool CopyBasics(const BY_HANDLE_FILE_INFORMATION& target, HANDLE hFile) {
    FILE_BASIC_INFO basic = {};
    basic.CreationTime.QuadPart = static_cast<LONGLONG>(
        MakeUInt64(target.ftCreationTime.dwHighDateTime, target.ftCreationTime.dwLowDateTime));
    basic.FileAttributes = (target.dwFileAttributes & kCopiedAttributes) | FILE_ATTRIBUTE_ARCHIVE;
    return SetFileInformationByHandle(hFile, FileBasicInfo, &basic, sizeof basic) != 0;
}

// Whether the open file may have streams besides its data. Only a file system that says it
// cannot list them (FAT, or Wine's) keeps none; any other failure may hide one.
bool HasNamedStreams(HANDLE hFile) {
    alignas(FILE_STREAM_INFO) char buffer[4096];
    if (!GetFileInformationByHandleEx(hFile, FileStreamInfo, buffer, sizeof buffer)) {
        const DWORD nError = GetLastError();
        return nError != ERROR_INVALID_FUNCTION && nError != ERROR_NOT_SUPPORTED &&
               nError != ERROR_INVALID_PARAMETER && nError != ERROR_HANDLE_EOF;
    }
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
bool CarriesAll(const Target& target, HANDLE hTarget, HANDLE hFile) {
    const DWORD nStorage = FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_ENCRYPTED;
    BY_HANDLE_FILE_INFORMATION file;
    return CopyBasics(target.info, hFile) && GetFileInformationByHandle(hFile, &file) &&
           (file.dwFileAttributes & nStorage) == (target.info.dwFileAttributes & nStorage) &&
           SameSecurity(hTarget, hFile) && !HasNamedStreams(hTarget);
}

bool SetDeletePending(HANDLE hFile, bool bPending) {
    FILE_DISPOSITION_INFO disposition;
    disposition.DeleteFile = bPending ? TRUE : FALSE;
    return SetFileInformationByHandle(hFile, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

// A new file beside the target, under a short name of its own so that it fits wherever the
// target's name does. It is marked for deletion from its creation on, so that the system
// removes it when its handle closes, after a crash too, until the rename takes it; no other
// program may open it meanwhile.
class CTemporaryFile {
public:
    CTemporaryFile() = default;
    ~CTemporaryFile() {
        if (!m_file.IsValid() || m_bKept)
            return;
        if (!m_bPending && !SetDeletePending(m_file.Get(), true)) {
            m_file.Reset();
            DeleteFileW(m_strPath.c_str());
        }
    }
    CTemporaryFile(const CTemporaryFile&) = delete;
    CTemporaryFile& operator=(const CTemporaryFile&) = delete;

    // False when the folder (which ends with a separator) will not have a new file.
    bool Create(const std::wstring& strFolder) {
        const DWORD nSeed = GetTickCount() * 2654435761u ^ GetCurrentProcessId();
        for (DWORD n = 0; n < 64; ++n) {
            wchar_t szName[16];
            std::swprintf(szName, 16, L"~aw%05lx.tmp", (nSeed + n * 40503u) & 0xFFFFFu);
            m_strPath = strFolder + szName;
            m_file.Reset(CreateFileW(m_strPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                     nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (m_file.IsValid()) {
                m_bPending = SetDeletePending(m_file.Get(), true);
                return true;
            }
            if (GetLastError() != ERROR_FILE_EXISTS)
                return false;
        }
        return false;
    }

    HANDLE Handle() const { return m_file.Get(); }
    // Clears the deletion mark, which no rename would carry, or sets it again.
    bool SetPending(bool bPending) {
        if (!SetDeletePending(m_file.Get(), bPending))
            return false;
        m_bPending = bPending;
        return true;
    }
    // The file has become the target: it is no longer ours to delete.
    void Keep() { m_bKept = true; }

private:
    CHandle m_file;
    std::wstring m_strPath;
    bool m_bPending = false;
    bool m_bKept = false;
};

// Gives the open file hFile the path strTarget, replacing the file there, through the handle
// itself, so that nothing can open the new file between its last write and its move. Windows
// 10's POSIX rename replaces a target that a scanner holds open; elsewhere such a hold is waited
// out for about a second. CannotKeep when the target stayed refused.
SaveOutcome MoveOver(HANDLE hFile, std::wstring strTarget) {
    // The system reads the name as a path of its own kind; the verbatim form is one already.
    if (!MakeVerbatim(strTarget))
        return SaveOutcome::Failed;
    const size_t nNameBytes = strTarget.size() * sizeof(WCHAR);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + nNameBytes);
    FILE_RENAME_INFO* pRename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    pRename->RootDirectory = nullptr;
    pRename->FileNameLength = static_cast<DWORD>(nNameBytes);
    std::memcpy(pRename->FileName, strTarget.c_str(), nNameBytes + sizeof(WCHAR));
    const DWORD nSize = static_cast<DWORD>(buffer.size());
    bool bPosix = true;
    for (int nTry = 1;; ++nTry) {
        bool bMoved;
        if (bPosix) {
            // The Windows 10 form's flags fill the place of the older form's BOOLEAN.
            const DWORD nFlags = kRenameReplaceIfExists | kRenamePosixSemantics;
            std::memcpy(buffer.data(), &nFlags, sizeof nFlags);
            bMoved = SetFileInformationByHandle(hFile, kFileRenameInfoEx, pRename, nSize) != 0;
            const DWORD nError = GetLastError();
            if (!bMoved && (nError == ERROR_INVALID_PARAMETER || nError == ERROR_NOT_SUPPORTED ||
                            nError == ERROR_INVALID_FUNCTION)) {
                bPosix = false;
                std::memset(buffer.data(), 0, offsetof(FILE_RENAME_INFO, RootDirectory));
                pRename->ReplaceIfExists = TRUE;
                continue;
            }
        } else {
            bMoved = SetFileInformationByHandle(hFile, FileRenameInfo, pRename, nSize) != 0;
        }
        if (bMoved)
            return SaveOutcome::Done;
        const DWORD nError = GetLastError();
        if (nError != ERROR_ACCESS_DENIED && nError != ERROR_SHARING_VIOLATION &&
            nError != ERROR_LOCK_VIOLATION)
            return SaveOutcome::Failed;
        if (nTry == kRenameTries)
            return SaveOutcome::CannotKeep;
        Sleep(kRenamePauseMs);
    }
}

// A new file beside the target that takes its place in one step. CannotKeep when the new file
// could not be what the target is, or the target may not be replaced; nothing has changed then.
SaveOutcome ReplaceAtomically(const Target& target, CHandle& hTarget,
                              const std::function<bool(FILE*)>& write, const FileStamp* pExpected) {
    CTemporaryFile temporary;
    if (ARMWRIGHT_SAVE_FAULT(Create))
        return SaveOutcome::Failed;
    if (!temporary.Create(FolderOf(target.strPath)))
        return target.bExists ? SaveOutcome::CannotKeep : SaveOutcome::Failed;
    if (!Print(temporary.Handle(), write))
        return SaveOutcome::Failed;
    if (target.bExists && !CarriesAll(target, hTarget.Get(), temporary.Handle()))
        return SaveOutcome::CannotKeep;

    if (pExpected) {
        BY_HANDLE_FILE_INFORMATION now;
        CHandle named(OpenDiskFile(target.strPath, FILE_READ_ATTRIBUTES, now));
        if (!named.IsValid() || !IsSameFile(now, target.info) ||
            !IsExpected(hTarget.Get(), *pExpected))
            return SaveOutcome::Changed;
    }
    // Only the POSIX rename replaces a file that has handles open.
    hTarget.Reset();
    if (!temporary.SetPending(false))
        return SaveOutcome::Failed;
    const SaveOutcome moved = ARMWRIGHT_SAVE_FAULT(Move)
                                  ? SaveOutcome::Failed
                                  : MoveOver(temporary.Handle(), target.strPath);
    if (moved != SaveOutcome::Done) {
        temporary.SetPending(true);
        return target.bExists ? moved : SaveOutcome::Failed;
    }
    temporary.Keep();
    // On NTFS this also makes the rename durable, which MOVEFILE_WRITE_THROUGH does not promise
    // for a rename within a volume: the file is not given as saved before then.
    return FlushFileBuffers(temporary.Handle()) ? SaveOutcome::Done : SaveOutcome::Failed;
}

// Puts `old` back into the file from its second byte on, then its first: until then the file
// stays one that does not load. False when that failed too.
bool PutBack(HANDLE hFile, const std::vector<char>& old) {
    if (ARMWRIGHT_SAVE_FAULT(Restore) ||
        (old.size() > 1 && !WriteAt(hFile, 1, old.data() + 1, old.size() - 1)) ||
        !SetEnd(hFile, old.size()) || !FlushFileBuffers(hFile))
        return false;
    return old.empty() || (WriteAt(hFile, 0, old.data(), 1) && FlushFileBuffers(hFile));
}

// Rewrites the target through a handle of its own, as its user could: everything that makes the
// file what it is stays, and only its bytes change. The content is printed to memory before the
// file is touched and its space reserved, so that a full disk fails before the first byte is
// written. The first byte is made a zero first, which no loader takes for a document, and the
// real one is written last, so that an interrupted rewrite never leaves a mixture that loads; a
// failed one puts the old bytes back the same way.
SaveOutcome RewriteInPlace(const Target& target, const std::function<bool(FILE*)>& write,
                           const FileStamp* pExpected) {
    std::string content;
    if (!PrintToMemory(write, content))
        return SaveOutcome::Failed;

    // Read and write: the old bytes are what a failure puts back.
    BY_HANDLE_FILE_INFORMATION info;
    CHandle file(OpenDiskFile(target.strPath, GENERIC_READ | GENERIC_WRITE, info));
    std::vector<char> old;
    if (!file.IsValid() || !IsSameFile(info, target.info))
        return SaveOutcome::Failed;
    old.reserve(static_cast<size_t>(SizeOf(info)));
    if (!ReadBlocks(file.Get(),
                    [&old](const char* p, size_t n) { old.insert(old.end(), p, p + n); }))
        return SaveOutcome::Failed;
    if (pExpected && !IsExpected(file.Get(), *pExpected, &old))
        return SaveOutcome::Changed;
    if (content.size() > old.size()) {
        // Where the file system cannot reserve (Wine's), the writes still find out.
        FILE_ALLOCATION_INFO allocation;
        allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(content.size());
        if (!SetFileInformationByHandle(file.Get(), FileAllocationInfo, &allocation,
                                        sizeof allocation)) {
            const DWORD nError = GetLastError();
            if (nError != ERROR_CALL_NOT_IMPLEMENTED && nError != ERROR_NOT_SUPPORTED &&
                nError != ERROR_INVALID_FUNCTION && nError != ERROR_INVALID_PARAMETER)
                return SaveOutcome::Failed;
        }
    }
    if (content.empty())
        return SetEnd(file.Get(), 0) && FlushFileBuffers(file.Get()) ? SaveOutcome::Done
                                                                     : SaveOutcome::Failed;
    if (!WriteAt(file.Get(), 0, "", 1))
        return SaveOutcome::Failed;
    const HANDLE h = file.Get();
    const bool bWritten =
        !ARMWRIGHT_SAVE_FAULT(Mark) && FlushFileBuffers(h) && !ARMWRIGHT_SAVE_FAULT(Rewrite) &&
        WriteAt(h, 1, content.data() + 1, content.size() - 1) && !ARMWRIGHT_SAVE_FAULT(Truncate) &&
        SetEnd(h, content.size()) && !ARMWRIGHT_SAVE_FAULT(Sync) && FlushFileBuffers(h) &&
        !ARMWRIGHT_SAVE_FAULT(Seal) && WriteAt(h, 0, content.data(), 1) && FlushFileBuffers(h);
    if (bWritten)
        return SaveOutcome::Done;
    return PutBack(h, old) ? SaveOutcome::Failed : SaveOutcome::Damaged;
}

SaveResult Save(const std::wstring& strPath, const std::function<bool(FILE*)>& write,
                const FileStamp* pExpected) {
    Target target;
    if (!LocateTarget(strPath, target))
        return SaveResult::Failed;
    // Opened as its user would open it to write to it: an ACL that denies writing, the read-only
    // attribute, or another program that holds it open without sharing writes refuses the save.
    CHandle file(OpenDiskFile(target.strPath, GENERIC_READ | GENERIC_WRITE, target.info));
    target.bExists = file.IsValid();
    if (!target.bExists && GetLastError() != ERROR_FILE_NOT_FOUND)
        return SaveResult::Failed;
    if (!target.bExists && pExpected)
        return SaveResult::Changed;
    if (target.bExists) {
        if (target.info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            return SaveResult::Failed;
        if (pExpected && !StampOf(file.Get(), target.info).HasSameMetadata(*pExpected))
            return SaveResult::Changed;
    }
    // A new file would split other hard links from the content they share, and a link whose
    // end has no name cannot be replaced at that end.
    SaveOutcome outcome = SaveOutcome::CannotKeep;
    if (!target.bExists || (target.info.nNumberOfLinks == 1 && !target.bUnnamedEnd))
        outcome = ReplaceAtomically(target, file, write, pExpected);
    file.Reset();
    if (outcome == SaveOutcome::CannotKeep && target.bExists)
        outcome = RewriteInPlace(target, write, pExpected);
    return ResultOf(outcome);
}

}  // namespace

bool ReadWholeFile(LPCSTR lpszPath, std::vector<char>& data, size_t nPadding, FileStamp* pStamp) {
    std::wstring strPath;
    BY_HANDLE_FILE_INFORMATION info;
    if (!WidePath(lpszPath, strPath))
        return false;
    CHandle file(OpenDiskFile(strPath, GENERIC_READ, info));
    if (!file.IsValid())
        return false;
    data.clear();
    data.reserve(static_cast<size_t>(SizeOf(info)) + nPadding);
    if (!ReadBlocks(file.Get(),
                    [&data](const char* p, size_t n) { data.insert(data.end(), p, p + n); }))
        return false;
    if (pStamp) {
        *pStamp = StampOf(file.Get(), info);
        CContentHash hash;
        hash.Add(data.data(), data.size());
        if (!hash.Finish(*pStamp))
            return false;
    }
    data.resize(data.size() + nPadding, '\0');
    return true;
}

bool GetFileStamp(LPCSTR lpszPath, FileStamp& stamp) {
    std::wstring strPath;
    BY_HANDLE_FILE_INFORMATION info;
    if (!WidePath(lpszPath, strPath))
        return false;
    CHandle file(OpenDiskFile(strPath, FILE_READ_ATTRIBUTES, info));
    if (!file.IsValid())
        return false;
    stamp = StampOf(file.Get(), info);
    return true;
}

// A new file takes the access list that its folder gives every new file, as any file its user
// makes there; permission bits have no meaning here.
SaveResult SaveFileSafely(LPCSTR lpszPath, const std::function<bool(FILE*)>& write,
                          const FileStamp* pExpected, const FileStamp*) {
    if (ARMWRIGHT_SAVE_FAULT(Begin))
        return SaveResult::Failed;
    std::wstring strPath;
    if (!WidePath(lpszPath, strPath))
        return SaveResult::Failed;
    try {
        return Save(strPath, write, pExpected);
    } catch (const std::bad_alloc&) {
        return SaveResult::Failed;  // the temporary file has gone with its scope
    }
}

}  // namespace armwright

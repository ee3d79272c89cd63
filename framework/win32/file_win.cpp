// The save's steps on Windows, on UTF-16 paths made once (SystemPath), so that a name the code page
// cannot hold (the end of a link, a folder of the user's profile) is never needed in it.
#include <aclapi.h>
#include <sddl.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "framework/path.h"
#include "framework/save/primitives.h"
#include "framework/syscall.h"

namespace armwright {
namespace sys {
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
// Written and hashed in pieces no bigger than this, which one call takes.
const size_t kLargestPiece = 1u << 30;

HANDLE Handle(const CFile& file) {
    return reinterpret_cast<HANDLE>(file.Get());
}

intptr_t FromHandle(HANDLE h) {
    return reinterpret_cast<intptr_t>(h);
}

uint64_t MakeUInt64(DWORD nHigh, DWORD nLow) {
    return (static_cast<uint64_t>(nHigh) << 32) | nLow;
}

// Whether a failed call said that the system or file system has no such thing, not that it failed.
bool Unsupported(DWORD nError) {
    return nError == ERROR_INVALID_PARAMETER || nError == ERROR_NOT_SUPPORTED ||
           nError == ERROR_INVALID_FUNCTION || nError == ERROR_CALL_NOT_IMPLEMENTED;
}

// The place of a read, a write or a lock.
OVERLAPPED At(uint64_t nOffset) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(nOffset);
    at.OffsetHigh = static_cast<DWORD>(nOffset >> 32);
    return at;
}

template <typename T>
bool SetInfo(HANDLE h, FILE_INFO_BY_HANDLE_CLASS nClass, T& info) {
    return AW_SYSCALL(SetFileInformationByHandle)(h, nClass, &info, sizeof info) != 0;
}

bool GetInfo(HANDLE h, BY_HANDLE_FILE_INFORMATION& info) {
    return AW_SYSCALL(GetFileInformationByHandle)(h, &info) != 0;
}

// The stamp and the description of an open file, its content unread. On ReFS, IDs have 128 bits
// and one 64-bit index names several files: where the system gives the whole ID, that is used.
bool Describe(HANDLE h, FileStamp& stamp, BY_HANDLE_FILE_INFORMATION& info) {
    FILE_BASIC_INFO basic;
    FILE_ID_INFO id;
    if (!GetInfo(h, info) ||
        !AW_SYSCALL(GetFileInformationByHandleEx)(h, FileBasicInfo, &basic, sizeof basic))
        return false;
    stamp = FileStamp();
    stamp.nVolume = info.dwVolumeSerialNumber;
    stamp.anIndex[0] = MakeUInt64(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.nSize = MakeUInt64(info.nFileSizeHigh, info.nFileSizeLow);
    stamp.nWriteTime = basic.LastWriteTime.QuadPart;
    stamp.nChangeTime = basic.ChangeTime.QuadPart;
    if (AW_SYSCALL(GetFileInformationByHandleEx)(h, FileIdInfo, &id, sizeof id)) {
        stamp.nVolume = id.VolumeSerialNumber;
        std::memcpy(stamp.anIndex, id.FileId.Identifier, sizeof stamp.anIndex);
        return true;
    }
    return Unsupported(GetLastError());
}

// The path by which the system itself names the open file, links resolved; false, with strPath
// as it was, when it has none.
bool FinalPath(HANDLE h, std::wstring& strPath) {
    const DWORD nFlags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    const DWORD nSize = AW_SYSCALL(GetFinalPathNameByHandleW)(h, nullptr, 0, nFlags);
    std::wstring strFinal(nSize, L'\0');
    if (nSize == 0 ||
        AW_SYSCALL(GetFinalPathNameByHandleW)(h, &strFinal[0], nSize, nFlags) + 1 != nSize)
        return false;
    strFinal.resize(nSize - 1);
    strPath.swap(strFinal);
    return true;
}

// Opens what the path names (links followed), letting others do anything with it meanwhile.
intptr_t OpenPath(const std::wstring& strPath, DWORD dwAccess, DWORD dwFlags = 0) {
    return FromHandle(AW_SYSCALL(CreateFileW)(strPath.c_str(), dwAccess, kShareAll, nullptr,
                                              OPEN_EXISTING, dwFlags, nullptr));
}

// Opens an existing file on disk with dwAccess, which must let its attributes be read. It never
// waits on a pipe or a device; what is not a file on disk is closed at once and refused.
bool OpenDiskFile(const std::wstring& strPath, DWORD dwAccess, CFile& file) {
    FileStamp stamp;
    BY_HANDLE_FILE_INFORMATION info;
    file.Reset(OpenPath(strPath, dwAccess));
    if (file.IsOpen() && AW_SYSCALL(GetFileType)(Handle(file)) == FILE_TYPE_DISK &&
        Describe(Handle(file), stamp, info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    file.Reset();
    return false;
}

// The folder part of a verbatim path, with its separator.
std::wstring FolderOf(const std::wstring& strPath) {
    return strPath.substr(0, strPath.rfind(L'\\') + 1);
}

// A hash of the text as the file system compares names: 64-bit FNV-1a of its upper case.
uint64_t NameHash(std::wstring strText) {
    CharUpperBuffW(&strText[0], static_cast<DWORD>(strText.size()));
    uint64_t nHash = 14695981039346656037ull;
    for (wchar_t c : strText) {
        nHash = (nHash ^ (static_cast<uint64_t>(c) & 0xFF)) * 1099511628211ull;
        nHash = (nHash ^ (static_cast<uint64_t>(c) >> 8)) * 1099511628211ull;
    }
    return nHash;
}

// The last nDigits hexadecimal digits of n.
std::wstring Hex(uint64_t n, int nDigits) {
    std::wstring strHex(static_cast<size_t>(nDigits), L'0');
    for (int i = nDigits - 1; i >= 0; --i, n >>= 4)
        strHex[static_cast<size_t>(i)] = L"0123456789abcdef"[n & 0xF];
    return strHex;
}

// "~aw" and a hash of the target's name: temporary names say whose they are, and fit where it fits.
std::wstring LeftoverPrefix(const Target& target) {
    return L"~aw" + Hex(NameHash(target.strPath.substr(target.strPath.rfind(L'\\') + 1)), 8);
}

bool SetDeletePending(HANDLE h, bool bPending) {
    FILE_DISPOSITION_INFO disposition;
    disposition.DeleteFile = bPending ? TRUE : FALSE;
    return SetInfo(h, FileDispositionInfo, disposition);
}

// Renames the open file to strTarget through its handle, so that nothing can open another file
// under the new name between the last write and the move. Windows 10's POSIX rename replaces a
// target that a scanner holds open; `bPosix` goes false where the system has none.
bool Rename(HANDLE h, const std::wstring& strTarget, bool bReplace, bool& bPosix) {
    const size_t nNameBytes = strTarget.size() * sizeof(WCHAR);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + nNameBytes);
    FILE_RENAME_INFO* pRename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    pRename->FileNameLength = static_cast<DWORD>(nNameBytes);
    std::memcpy(pRename->FileName, strTarget.c_str(), nNameBytes + sizeof(WCHAR));
    const DWORD nSize = static_cast<DWORD>(buffer.size());
    if (bPosix) {
        // The Windows 10 form's flags fill the place of the older form's BOOLEAN.
        const DWORD nFlags = (bReplace ? kRenameReplaceIfExists : 0) | kRenamePosixSemantics;
        std::memcpy(buffer.data(), &nFlags, sizeof nFlags);
        if (AW_SYSCALL(SetFileInformationByHandle)(h, kFileRenameInfoEx, pRename, nSize))
            return true;
        if (!Unsupported(GetLastError()))
            return false;
        bPosix = false;
        std::memset(buffer.data(), 0, sizeof nFlags);
    }
    pRename->ReplaceIfExists = bReplace ? TRUE : FALSE;
    return AW_SYSCALL(SetFileInformationByHandle)(h, FileRenameInfo, pRename, nSize) != 0;
}

// The owner and access list of the open file as text, which reads the same for equal entries in
// the same order; empty when they cannot be read or there is no owner.
std::wstring SecurityOf(HANDLE h) {
    const SECURITY_INFORMATION nWhat = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    LPWSTR pszText = nullptr;
    std::wstring strText;
    if (GetSecurityInfo(h, SE_FILE_OBJECT, nWhat, nullptr, nullptr, nullptr, nullptr,
                        &pDescriptor) == ERROR_SUCCESS &&
        ConvertSecurityDescriptorToStringSecurityDescriptorW(pDescriptor, SDDL_REVISION_1, nWhat,
                                                             &pszText, nullptr))
        strText = pszText;
    LocalFree(pszText);
    LocalFree(pDescriptor);
    return strText.compare(0, 2, L"O:") == 0 ? strText : std::wstring();
}

// Gives the new file the target's attributes and creation time; its content is new, which
// ARCHIVE tells the backup programs that go by it.
bool CopyBasics(const BY_HANDLE_FILE_INFORMATION& target, HANDLE hFile) {
    FILE_BASIC_INFO basic = {};
    basic.CreationTime.QuadPart = static_cast<LONGLONG>(
        MakeUInt64(target.ftCreationTime.dwHighDateTime, target.ftCreationTime.dwLowDateTime));
    basic.FileAttributes = (target.dwFileAttributes & kCopiedAttributes) | FILE_ATTRIBUTE_ARCHIVE;
    return SetInfo(hFile, FileBasicInfo, basic);
}

// Whether the open file may have streams besides its data. Only a file system that says it
// cannot list them (FAT, or Wine's) keeps none; any other failure may hide one.
bool HasNamedStreams(HANDLE hFile) {
    alignas(FILE_STREAM_INFO) char buffer[4096];
    if (!AW_SYSCALL(GetFileInformationByHandleEx)(hFile, FileStreamInfo, buffer, sizeof buffer)) {
        const DWORD nError = GetLastError();
        return !Unsupported(nError) && nError != ERROR_HANDLE_EOF;
    }
    // Every file has its data stream; any other entry is a named one.
    const FILE_STREAM_INFO& data = *reinterpret_cast<const FILE_STREAM_INFO*>(buffer);
    return data.NextEntryOffset != 0 ||
           std::wstring(data.StreamName, data.StreamNameLength / sizeof(WCHAR)) != L"::$DATA";
}

}  // namespace

void CFile::Reset(intptr_t h) {
    if (m_h != kNone)
        CloseHandle(reinterpret_cast<HANDLE>(m_h));
    m_h = h;
}

bool Locate(LPCSTR lpszPath, Target& target) {
    if (!SystemPath(lpszPath, target.strPath))
        return false;
    // Only a path that is itself a reparse point (a link, a junction) is resolved: one that leads
    // nowhere is refused, one whose end the system does not name is written through, in place.
    bool bNamedEnd = true;
    const DWORD nAttributes = GetFileAttributesW(target.strPath.c_str());
    if (nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CFile end(OpenPath(target.strPath, 0, FILE_FLAG_BACKUP_SEMANTICS));
        if (!end.IsOpen())
            return false;
        bNamedEnd = FinalPath(Handle(end), target.strPath);
    }
    CFile file(OpenPath(target.strPath, FILE_READ_ATTRIBUTES));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.IsOpen())
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    target.bExists = true;
    if (AW_SYSCALL(GetFileType)(Handle(file)) != FILE_TYPE_DISK)
        return true;
    if (!Describe(Handle(file), target.stamp, info))
        return false;
    target.bRegular = !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    // Opened as its user would to write it: an ACL that denies writing, or a program holding it
    // without sharing writes, refuses the save as read-only does. A new file would split links.
    CFile writable(target.bRegular && !(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                       ? OpenPath(target.strPath, GENERIC_READ | GENERIC_WRITE)
                       : CFile::kNone);
    target.bWritable = writable.IsOpen();
    target.bReplaceable = bNamedEnd && info.nNumberOfLinks == 1;
    return true;
}

bool StampAt(const Target& target, FileStamp& stamp) {
    CFile file(OpenPath(target.strPath, FILE_READ_ATTRIBUTES));
    BY_HANDLE_FILE_INFORMATION info;
    return file.IsOpen() && Describe(Handle(file), stamp, info);
}

bool Open(const Target& target, Access access, CFile& file) {
    const DWORD dwAccess = access == Access::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    return OpenDiskFile(target.strPath, dwAccess, file);
}

bool OpenToRead(LPCSTR lpszPath, CFile& file) {
    std::wstring strPath;
    return SystemPath(lpszPath, strPath) && OpenDiskFile(strPath, GENERIC_READ, file);
}

bool Stamp(const CFile& file, FileStamp& stamp) {
    BY_HANDLE_FILE_INFORMATION info;
    return Describe(Handle(file), stamp, info);
}

bool ReadAt(const CFile& file, uint64_t nOffset, char* p, size_t nSize, size_t& nRead) {
    OVERLAPPED at = At(nOffset);
    DWORD nDone = 0;
    const bool bRead =
        AW_SYSCALL(ReadFile)(Handle(file), p, static_cast<DWORD>(std::min(nSize, kLargestPiece)),
                             &nDone, &at) ||
        GetLastError() == ERROR_HANDLE_EOF;
    nRead = nDone;
    return bRead;
}

bool WriteAt(const CFile& file, uint64_t nOffset, const char* p, size_t nSize) {
    while (nSize > 0) {
        OVERLAPPED at = At(nOffset);
        const DWORD nPart = static_cast<DWORD>(std::min(nSize, kLargestPiece));
        DWORD nWritten = 0;
        if (!AW_SYSCALL(WriteFile)(Handle(file), p, nPart, &nWritten, &at) || nWritten == 0)
            return false;
        p += nWritten;
        nOffset += nWritten;
        nSize -= nWritten;
    }
    return true;
}

bool SetEnd(const CFile& file, uint64_t nSize) {
    FILE_END_OF_FILE_INFO end;
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(nSize);
    return SetInfo(Handle(file), FileEndOfFileInfo, end);
}

bool Flush(const CFile& file) {
    return AW_SYSCALL(FlushFileBuffers)(Handle(file)) != 0;
}

bool Reserve(const CFile& file, uint64_t nSize) {
    // Where the file system cannot reserve (Wine's), the writes still find out.
    FILE_ALLOCATION_INFO allocation;
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(nSize);
    return SetInfo(Handle(file), FileAllocationInfo, allocation) || Unsupported(GetLastError());
}

bool LockWhole(const CFile& file) {
    // Every program's reads and writes respect a byte-range lock here; one that another program
    // holds, or takes while the file is rewritten, would meet a mixture.
    OVERLAPPED at = At(0);
    return AW_SYSCALL(LockFileEx)(Handle(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY,
                                  0, MAXDWORD, MAXDWORD, &at) != 0;
}

// The first 128 bits of the SHA-256 of the bytes, through the system's own cryptographic
// provider, which every Windows since XP SP3 has in ADVAPI32.
struct CHash::State {
    HCRYPTPROV hProvider = 0;
    HCRYPTHASH hHash = 0;
    bool bOk = AW_SYSCALL(CryptAcquireContextW)(&hProvider, nullptr, nullptr, PROV_RSA_AES,
                                                CRYPT_VERIFYCONTEXT | CRYPT_SILENT) &&
               AW_SYSCALL(CryptCreateHash)(hProvider, CALG_SHA_256, 0, 0, &hHash);
    ~State() {
        if (hHash)
            CryptDestroyHash(hHash);
        if (hProvider)
            CryptReleaseContext(hProvider, 0);
    }
};

CHash::CHash() : m_pState(new State) {}

CHash::~CHash() = default;

void CHash::Add(const char* p, size_t nSize) {
    State& state = *m_pState;
    while (state.bOk && nSize > 0) {
        const DWORD nPart = static_cast<DWORD>(std::min(nSize, kLargestPiece));
        state.bOk =
            AW_SYSCALL(CryptHashData)(state.hHash, reinterpret_cast<const BYTE*>(p), nPart, 0) != 0;
        p += nPart;
        nSize -= nPart;
    }
}

bool CHash::Finish(FileStamp& stamp) {
    BYTE abHash[32];
    DWORD nLength = sizeof abHash;
    if (!m_pState->bOk ||
        !AW_SYSCALL(CryptGetHashParam)(m_pState->hHash, HP_HASHVAL, abHash, &nLength, 0) ||
        nLength != sizeof abHash)
        return false;
    std::memcpy(stamp.anContent, abHash, sizeof stamp.anContent);
    return true;
}

CTemporary::~CTemporary() {
    if (bCommitted || !file.IsOpen())
        return;
    // A rename that failed may have left the mark cleared.
    if (!SetDeletePending(Handle(file), true)) {
        file.Reset();
        DeleteFileW(strName.c_str());
    }
}

bool Create(const Target& target, CTemporary& temporary) {
    // Marked for deletion from the start, so that the system removes it with its handle, after a
    // crash too, until the rename takes it; none may open it, nor RemoveLeftovers delete it.
    static LONG nSequence = 0;
    const std::wstring strStart = FolderOf(target.strPath) + LeftoverPrefix(target);
    const DWORD nSeed = GetTickCount() * 2654435761u ^ GetCurrentProcessId() * 40503u ^
                        static_cast<DWORD>(InterlockedIncrement(&nSequence));
    for (DWORD n = 0; n < 64; ++n) {
        temporary.strName = strStart + Hex(nSeed + n * 7919u, 4) + L".tmp";
        temporary.file.Reset(FromHandle(AW_SYSCALL(CreateFileW)(
            temporary.strName.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)));
        if (temporary.file.IsOpen())
            return SetDeletePending(Handle(temporary.file), true);
        if (GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    temporary.strName.clear();
    return false;
}

Kept GiveIdentity(const Target&, const CFile& source, CTemporary& temporary) {
    // Only what the file system lets a new file be given is: an owner or an access list of its
    // own, other streams, compression or encryption not carried over keep the file in place.
    const DWORD nStorage = FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_ENCRYPTED;
    const HANDLE hFile = Handle(temporary.file);
    BY_HANDLE_FILE_INFORMATION was, now;
    if (!GetInfo(Handle(source), was) || !CopyBasics(was, hFile) || !GetInfo(hFile, now))
        return Kept::Failed;
    const std::wstring strSecurity = SecurityOf(hFile);
    return (now.dwFileAttributes & nStorage) == (was.dwFileAttributes & nStorage) &&
                   !strSecurity.empty() && strSecurity == SecurityOf(Handle(source)) &&
                   !HasNamedStreams(Handle(source))
               ? Kept::Yes
               : Kept::No;
}

bool GiveNewIdentity(CTemporary&, const FileStamp*) {
    // A new file takes the access list that its folder gives every new file, as any file its
    // user makes there; permission bits have no meaning here.
    return true;
}

bool ShowsMoreThan(const Target&, const FileStamp&) {
    return false;
}

bool Clone(const CFile&, CTemporary&) {
    // Only ReFS shares blocks (FSCTL_DUPLICATE_EXTENTS_TO_FILE), and a copy does there too.
    return false;
}

bool Name(const Target&, CTemporary&) {
    // The temporary file has its name from its creation on; its delete mark covers it.
    return true;
}

Committed Commit(const Target& target, CTemporary& temporary,
                 const std::function<bool()>& isUnchanged) {
    // Elsewhere than with Windows 10's POSIX rename, another handle on the file is waited out for
    // about a second. The delete mark would follow the file, so it is cleared only for each try.
    const HANDLE h = Handle(temporary.file);
    bool bPosix = true;
    for (int nTry = 1;; ++nTry) {
        if (!isUnchanged())
            return Committed::Changed;
        if (!SetDeletePending(h, false))
            return Committed::No;
        if (Rename(h, target.strPath, target.bExists, bPosix)) {
            temporary.bCommitted = true;
            return Committed::Yes;
        }
        const DWORD nError = GetLastError();
        if (!SetDeletePending(h, true))
            return Committed::No;
        if (nError != ERROR_ACCESS_DENIED && nError != ERROR_SHARING_VIOLATION &&
            nError != ERROR_LOCK_VIOLATION)
            return Committed::No;
        if (nTry == kRenameTries)
            return Committed::Refused;
        Sleep(kRenamePauseMs);
    }
}

bool FlushCommit(const Target&, CTemporary& temporary) {
    // On NTFS this also makes the rename durable, which MOVEFILE_WRITE_THROUGH does not promise
    // for a rename within a volume.
    return Flush(temporary.file);
}

void RemoveLeftovers(const Target& target) {
    // One whose run still goes on is open without sharing, or marked for deletion: it stays. The
    // prefix is longer than any short name, so only long names match.
    const std::wstring strFolder = FolderOf(target.strPath);
    WIN32_FIND_DATAW found;
    const HANDLE hFind =
        FindFirstFileW((strFolder + LeftoverPrefix(target) + L"*.tmp").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileW((strFolder + found.cFileName).c_str());
    } while (FindNextFileW(hFind, &found));
    FindClose(hFind);
}

// A program of the windowed subsystem gets no signal to hold; what ends it at once leaves no
// temporary file either, by its delete mark.
CTerminationHeld::CTerminationHeld() {}

CTerminationHeld::~CTerminationHeld() {}

const char* const kLineEnd = "\r\n";

}  // namespace sys

CRunLock::Result CRunLock::Acquire(LPCSTR lpszPath) {
    Release();
    // A mutex named after the final path in capitals, as names compare, which the system frees
    // however the run ends; a user who may not create a Global one gets the session's own.
    std::wstring strPath;
    sys::CFile file;
    if (!SystemPath(lpszPath, strPath) || !sys::OpenDiskFile(strPath, FILE_READ_ATTRIBUTES, file))
        return None;
    sys::FinalPath(sys::Handle(file), strPath);
    const std::wstring strName = L"\\Armwright-" + sys::Hex(sys::NameHash(strPath), 16);
    HANDLE h = AW_SYSCALL(CreateMutexW)(nullptr, FALSE, (L"Global" + strName).c_str());
    if (!h && GetLastError() == ERROR_ACCESS_DENIED)
        h = AW_SYSCALL(CreateMutexW)(nullptr, FALSE, (L"Local" + strName).c_str());
    if (!h || h == INVALID_HANDLE_VALUE)
        return None;
    const DWORD nWait = WaitForSingleObject(h, 0);
    if (nWait == WAIT_OBJECT_0 || nWait == WAIT_ABANDONED) {
        m_hLock = sys::FromHandle(h);
        return Held;
    }
    CloseHandle(h);
    return nWait == WAIT_TIMEOUT ? Busy : None;
}

void CRunLock::Release() {
    if (m_hLock != -1)
        ReleaseMutex(reinterpret_cast<HANDLE>(m_hLock));
    sys::CFile lock(m_hLock);
    m_hLock = -1;
}

}  // namespace armwright

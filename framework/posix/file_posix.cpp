// The save's steps on POSIX: everything relative to the target's folder, held open, so that no
// later change to the path can redirect them.
#include <acl/libacl.h>
#include <attr/libattr.h>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "framework/path.h"
#include "framework/save/primitives.h"
#include "framework/syscall.h"

namespace armwright {
namespace sys {
namespace {

// The flags an owner may set on a file (chattr's s, u, c, S, d, A, t, C, m). A new file starts
// empty, so those that must come before any data (C) do.
const int kOwnersFlags = FS_SECRM_FL | FS_UNRM_FL | FS_COMPR_FL | FS_SYNC_FL | FS_NODUMP_FL |
                         FS_NOATIME_FL | FS_NOTAIL_FL | FS_NOCOW_FL | FS_NOCOMP_FL;
const int kHeldSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

int Fd(const CFile& file) {
    return static_cast<int>(file.Get());
}

int Folder(const Target& target) {
    return Fd(target.folder);
}

FileStamp StampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.nVolume = static_cast<uint64_t>(st.st_dev);
    stamp.anIndex[0] = static_cast<uint64_t>(st.st_ino);
    stamp.nSize = static_cast<uint64_t>(st.st_size);
    stamp.nWriteTime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.nChangeTime = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    stamp.nPermissions = static_cast<uint32_t>(st.st_mode & 07777);
    stamp.nOwner = st.st_uid;
    stamp.nGroup = st.st_gid;
    return stamp;
}

// The file's flags; zero where the file system has none.
bool GetFlags(int fd, int& nFlags) {
    nFlags = 0;
    return AW_SYSCALL(ioctl)(fd, FS_IOC_GETFLAGS, &nFlags) == 0 || errno == ENOTTY ||
           errno == EOPNOTSUPP || errno == EINVAL;
}

// Looks at the entry named `strPath`, in its folder, without following it.
bool OpenEntry(const std::string& strPath, Target& target, struct stat& st) {
    const size_t nSlash = strPath.rfind('/');
    if (nSlash == std::string::npos || nSlash + 1 == strPath.size())
        return false;
    const std::string strFolder = nSlash == 0 ? "/" : strPath.substr(0, nSlash);
    target.strPath = strPath.substr(nSlash + 1);
    target.folder.Reset(AW_SYSCALL(open)(strFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!target.folder.IsOpen())
        return false;
    target.bExists =
        AW_SYSCALL(fstatat)(Folder(target), target.strPath.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    return target.bExists || errno == ENOENT;
}

// A short prefix that says which target a name is for, and fits wherever the target's name fits.
std::string LeftoverPrefix(const Target& target) {
    uint32_t nHash = 2166136261u;
    for (char c : target.strPath)
        nHash = (nHash ^ static_cast<unsigned char>(c)) * 16777619u;
    char szPrefix[32];
    std::snprintf(szPrefix, sizeof szPrefix, ".armwright-%08x-", nHash);
    return szPrefix;
}

bool RandomName(const Target& target, std::string& strName) {
    unsigned char abRandom[6];
    if (AW_SYSCALL(getrandom)(abRandom, sizeof abRandom, 0) !=
        static_cast<ssize_t>(sizeof abRandom))
        return false;
    strName = LeftoverPrefix(target);
    for (unsigned char b : abRandom)
        strName += "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"[b % 62];
    return true;
}

// Names an unnamed file `pszName` in the folder: by descriptor where allowed, else through /proc.
bool LinkUnnamed(int fd, int nFolder, const char* pszName) {
    const std::string strSelf = "/proc/self/fd/" + std::to_string(fd);
    return AW_SYSCALL(linkat)(fd, "", nFolder, pszName, AT_EMPTY_PATH) == 0 ||
           AW_SYSCALL(linkat)(AT_FDCWD, strSelf.c_str(), nFolder, pszName, AT_SYMLINK_FOLLOW) == 0;
}

// libattr's skip list (/etc/xattr.conf) names attributes that users set themselves: every user.*
// and trusted.* one the process can list is the file's own. It decides the rest, skipping what the
// kernel computes (security.evm) and the ACLs, which perm_copy_fd has copied.
int CopiesAttribute(const char* pszName, struct error_context* pContext) {
    return std::strncmp(pszName, "user.", 5) == 0 || std::strncmp(pszName, "trusted.", 8) == 0 ||
           attr_copy_check_permissions(pszName, pContext);
}

// Gives a new file exactly `nMode`, dropping any ACL the folder passed on to it.
bool SetExactMode(int fd, mode_t nMode) {
    if (AW_SYSCALL(fchmod)(fd, nMode) != 0)
        return false;
    acl_t acl = acl_from_mode(nMode);
    if (!acl)
        return false;
    const bool bSet = AW_SYSCALL(acl_set_fd)(fd, acl) == 0 || errno == EOPNOTSUPP;
    acl_free(acl);
    return bSet;
}

}  // namespace

void CFile::Reset(intptr_t h) {
    if (m_h != kNone)
        close(static_cast<int>(m_h));
    m_h = h;
}

bool Locate(LPCSTR lpszPath, Target& target) {
    std::string strPath;
    struct stat st;
    if (!SystemPath(lpszPath, strPath) || !OpenEntry(strPath, target, st))
        return false;
    if (target.bExists && S_ISLNK(st.st_mode)) {
        // The kernel follows the link, under its own rules (protected links in sticky folders,
        // mounts without links); the folder where the file it opened lies must hold that file.
        CFile file(AW_SYSCALL(openat)(Folder(target), target.strPath.c_str(), O_PATH | O_CLOEXEC));
        struct stat opened;
        char szReal[PATH_MAX];
        const std::string strLink = "/proc/self/fd/" + std::to_string(file.Get());
        ssize_t nLength = -1;
        if (file.IsOpen() && AW_SYSCALL(fstat)(Fd(file), &opened) == 0)
            nLength = AW_SYSCALL(readlink)(strLink.c_str(), szReal, sizeof szReal - 1);
        if (nLength <= 0)
            return false;  // a dangling link, or one the kernel does not follow for this user
        szReal[nLength] = '\0';
        if (!OpenEntry(szReal, target, st) || !target.bExists || st.st_dev != opened.st_dev ||
            st.st_ino != opened.st_ino)
            return false;
    }
    // An append-only folder takes new names but gives none back, so nothing may take a file's
    // place there, nor a temporary file be removed.
    CFile folder(AW_SYSCALL(openat)(Folder(target), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    int nFolderFlags = 0;
    target.bReplaceable = folder.IsOpen() && GetFlags(Fd(folder), nFolderFlags) &&
                          !(nFolderFlags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) &&
                          faccessat(Folder(target), ".", W_OK | X_OK, AT_EACCESS) == 0 &&
                          (!target.bExists || st.st_nlink == 1);
    if (target.bExists) {
        target.stamp = StampOf(st);
        target.bRegular = S_ISREG(st.st_mode);
        // No write bit for anyone is the read-only attribute of this view, and binds root too.
        target.bWritable = (st.st_mode & 0222) != 0 &&
                           faccessat(Folder(target), target.strPath.c_str(), W_OK, AT_EACCESS) == 0;
    }
    return true;
}

bool StampAt(const Target& target, FileStamp& stamp) {
    struct stat st;
    if (AW_SYSCALL(fstatat)(Folder(target), target.strPath.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    stamp = StampOf(st);
    return true;
}

bool Open(const Target& target, Access access, CFile& file) {
    const int nAccess = access == Access::Read ? O_RDONLY : O_RDWR;
    file.Reset(AW_SYSCALL(openat)(Folder(target), target.strPath.c_str(),
                                  nAccess | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return file.IsOpen();
}

bool OpenToRead(LPCSTR lpszPath, CFile& file) {
    std::string strPath;
    if (!SystemPath(lpszPath, strPath))
        return false;
    // Without O_NONBLOCK, opening a FIFO would wait for a writer that may never come.
    file.Reset(AW_SYSCALL(open)(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    return file.IsOpen() && AW_SYSCALL(fstat)(Fd(file), &st) == 0 && S_ISREG(st.st_mode);
}

bool Stamp(const CFile& file, FileStamp& stamp) {
    struct stat st;
    if (AW_SYSCALL(fstat)(Fd(file), &st) != 0)
        return false;
    stamp = StampOf(st);
    return true;
}

bool ReadAt(const CFile& file, uint64_t nOffset, char* p, size_t nSize, size_t& nRead) {
    for (;;) {
        const ssize_t n = AW_SYSCALL(pread)(Fd(file), p, nSize, static_cast<off_t>(nOffset));
        if (n >= 0) {
            nRead = static_cast<size_t>(n);
            return true;
        }
        if (errno != EINTR)
            return false;
    }
}

bool WriteAt(const CFile& file, uint64_t nOffset, const char* p, size_t nSize) {
    while (nSize > 0) {
        const ssize_t n = AW_SYSCALL(pwrite)(Fd(file), p, nSize, static_cast<off_t>(nOffset));
        if (n == 0 || (n < 0 && errno != EINTR))
            return false;
        const size_t nWritten = n > 0 ? static_cast<size_t>(n) : 0;
        p += nWritten;
        nOffset += nWritten;
        nSize -= nWritten;
    }
    return true;
}

bool SetEnd(const CFile& file, uint64_t nSize) {
    return AW_SYSCALL(ftruncate)(Fd(file), static_cast<off_t>(nSize)) == 0;
}

bool Flush(const CFile& file) {
    return AW_SYSCALL(fsync)(Fd(file)) == 0;
}

bool Reserve(const CFile& file, uint64_t nSize) {
    // The system call itself: the C library's fallback writes zeros, which would change the file.
    return AW_SYSCALL(fallocate)(Fd(file), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(nSize)) ==
               0 ||
           errno == EOPNOTSUPP || errno == ENOSYS;
}

bool LockWhole(const CFile&) {
    // Locks here bind only those who ask for them; the run lock keeps other runs out.
    return true;
}

struct CHash::State {
    XXH3_state_t* pState = XXH3_createState();
    ~State() { XXH3_freeState(pState); }
};

CHash::CHash() : m_pState(new State) {
    if (m_pState->pState)
        XXH3_128bits_reset(m_pState->pState);
}

CHash::~CHash() = default;

void CHash::Add(const char* p, size_t nSize) {
    if (m_pState->pState)
        XXH3_128bits_update(m_pState->pState, p, nSize);
}

bool CHash::Finish(FileStamp& stamp) {
    if (!m_pState->pState)
        return false;
    const XXH128_hash_t hash = XXH3_128bits_digest(m_pState->pState);
    stamp.anContent[0] = hash.low64;
    stamp.anContent[1] = hash.high64;
    return true;
}

CTemporary::~CTemporary() {
    if (!bCommitted && !strName.empty())
        unlinkat(static_cast<int>(hFolder), strName.c_str(), 0);
}

bool Create(const Target& target, CTemporary& temporary) {
    // Without a name, no crash can leave it behind. Where the file system has no such files, a
    // named one is locked while in use, so that a later run removes it only once its run ended.
    temporary.hFolder = target.folder.Get();
    temporary.file.Reset(
        AW_SYSCALL(openat)(Folder(target), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    for (int nTry = 0; !temporary.file.IsOpen() && nTry < 100; ++nTry) {
        if ((nTry == 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) ||
            (nTry > 0 && errno != EEXIST) || !RandomName(target, temporary.strName))
            break;
        temporary.file.Reset(AW_SYSCALL(openat)(Folder(target), temporary.strName.c_str(),
                                                O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600));
    }
    if (!temporary.file.IsOpen()) {
        temporary.strName.clear();
        return false;
    }
    return AW_SYSCALL(flock)(Fd(temporary.file), LOCK_EX | LOCK_NB) == 0;
}

Kept GiveIdentity(const Target& target, const CFile& source, CTemporary& temporary) {
    const int fd = Fd(temporary.file);
    const FileStamp& want = target.stamp;
    struct stat st;
    int nWanted = 0, nHas = 0;
    if (AW_SYSCALL(fstat)(fd, &st) != 0)
        return Kept::Failed;
    // Changing the owner or group clears the set-id bits, so the mode comes after it.
    if ((st.st_uid != want.nOwner || st.st_gid != want.nGroup) &&
        AW_SYSCALL(fchown)(fd, want.nOwner, want.nGroup) != 0)
        return Kept::No;
    if (AW_SYSCALL(fchmod)(fd, want.nPermissions) != 0)
        return Kept::Failed;
    if (AW_SYSCALL(perm_copy_fd)(nullptr, Fd(source), nullptr, fd, nullptr) != 0 ||
        AW_SYSCALL(attr_copy_fd)(nullptr, Fd(source), nullptr, fd, CopiesAttribute, nullptr) != 0)
        return Kept::No;
    if (!GetFlags(Fd(source), nWanted) || !GetFlags(fd, nHas))
        return Kept::No;
    const int nFlags = (nHas & ~kOwnersFlags) | (nWanted & kOwnersFlags);
    return nFlags == nHas || AW_SYSCALL(ioctl)(fd, FS_IOC_SETFLAGS, &nFlags) == 0 ? Kept::Yes
                                                                                  : Kept::No;
}

bool GiveNewIdentity(CTemporary& temporary, const FileStamp* pLike) {
    const int fd = Fd(temporary.file);
    const mode_t nMask = umask(0);
    umask(nMask);
    mode_t nMode = 0666 & ~nMask;
    struct stat st;
    if (pLike) {
        // No more readable than that file, but writable by its owner, so that a copy of a read-only
        // file does not stop the next copy; its group is that file's, or it has no group bits.
        nMode &= static_cast<mode_t>(pLike->nPermissions) | S_IWUSR;
        if (AW_SYSCALL(fstat)(fd, &st) != 0)
            return false;
        if (st.st_gid != pLike->nGroup &&
            AW_SYSCALL(fchown)(fd, static_cast<uid_t>(-1), pLike->nGroup) != 0)
            nMode &= ~static_cast<mode_t>(S_IRWXG);
    }
    return SetExactMode(fd, nMode);
}

bool ShowsMoreThan(const Target& target, const FileStamp& like) {
    // The owner may read a file whatever its bits; others, as the bits and the ACL say.
    const FileStamp& is = target.stamp;
    if (like.nPermissions & S_IROTH)
        return false;
    if ((is.nPermissions & S_IROTH) || (is.nOwner != like.nOwner && is.nOwner != geteuid()) ||
        ((is.nPermissions & S_IRGRP) &&
         (!(like.nPermissions & S_IRGRP) || is.nGroup != like.nGroup)))
        return true;
    CFile file;
    return !Open(target, Access::Read, file) || acl_extended_fd(Fd(file)) != 0;
}

bool Clone(const CFile& source, CTemporary& temporary) {
    return AW_SYSCALL(ioctl)(Fd(temporary.file), FICLONE, Fd(source)) == 0;
}

bool Name(const Target& target, CTemporary& temporary) {
    // A new file is linked in under the target's own name when committed.
    if (!target.bExists || !temporary.strName.empty())
        return true;
    for (int nTry = 0; nTry < 100 && RandomName(target, temporary.strName); ++nTry) {
        if (LinkUnnamed(Fd(temporary.file), Folder(target), temporary.strName.c_str()))
            return true;
        if (errno != EEXIST)
            break;
    }
    temporary.strName.clear();
    return false;
}

Committed Commit(const Target& target, CTemporary& temporary,
                 const std::function<bool()>& isUnchanged) {
    if (!isUnchanged())
        return Committed::Changed;
    const int nFolder = Folder(target);
    const char* pszName = target.strPath.c_str();
    int nResult;
    if (target.bExists)
        nResult = AW_SYSCALL(renameat)(nFolder, temporary.strName.c_str(), nFolder, pszName);
    else if (temporary.strName.empty())
        nResult = LinkUnnamed(Fd(temporary.file), nFolder, pszName) ? 0 : -1;
    else
        nResult = AW_SYSCALL(renameat2)(nFolder, temporary.strName.c_str(), nFolder, pszName,
                                        RENAME_NOREPLACE);
    if (nResult == 0) {
        temporary.bCommitted = true;
        return Committed::Yes;
    }
    // A sticky folder lets only the file's owner replace it, and a file mounted over its name
    // cannot be replaced at all; rewriting in place still works for both.
    return errno == EPERM || errno == EBUSY || errno == EXDEV ? Committed::Refused : Committed::No;
}

bool FlushCommit(const Target& target, CTemporary&) {
    CFile folder(AW_SYSCALL(openat)(Folder(target), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.IsOpen() && Flush(folder);
}

void RemoveLeftovers(const Target& target) {
    const std::string strPrefix = LeftoverPrefix(target);
    const int nFolder = Folder(target);
    CFile folder(openat(nFolder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* pDir = folder.IsOpen() ? fdopendir(Fd(folder)) : nullptr;
    if (!pDir)
        return;
    folder.Release();
    // One whose run still goes on is locked.
    while (const struct dirent* pEntry = readdir(pDir)) {
        if (std::strncmp(pEntry->d_name, strPrefix.c_str(), strPrefix.size()) != 0)
            continue;
        CFile file(openat(nFolder, pEntry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat opened, named;
        if (file.IsOpen() && flock(Fd(file), LOCK_EX | LOCK_NB) == 0 &&
            fstat(Fd(file), &opened) == 0 &&
            fstatat(nFolder, pEntry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            opened.st_ino == named.st_ino)
            unlinkat(nFolder, pEntry->d_name, 0);
    }
    closedir(pDir);
}

CTerminationHeld::CTerminationHeld() {
    sigset_t held, previous;
    sigemptyset(&held);
    for (int nSignal : kHeldSignals)
        sigaddset(&held, nSignal);
    sigprocmask(SIG_BLOCK, &held, &previous);
    for (int nSignal : kHeldSignals)
        m_nPrevious |= sigismember(&previous, nSignal) ? 1ull << nSignal : 0;
}

CTerminationHeld::~CTerminationHeld() {
    sigset_t released;
    sigemptyset(&released);
    for (int nSignal : kHeldSignals) {
        if (!(m_nPrevious >> nSignal & 1))
            sigaddset(&released, nSignal);
    }
    sigprocmask(SIG_UNBLOCK, &released, nullptr);
}

const char* const kLineEnd = "\n";

}  // namespace sys

CRunLock::Result CRunLock::Acquire(LPCSTR lpszPath) {
    Release();
    std::string strPath;
    if (!SystemPath(lpszPath, strPath))
        return None;
    // A save that replaced the file between the open and the lock leaves the lock on a file no
    // longer there by its name: then again.
    for (int nTry = 0; nTry < 10; ++nTry) {
        sys::CFile file(AW_SYSCALL(open)(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        struct stat opened, named;
        if (!file.IsOpen())
            return None;
        if (AW_SYSCALL(flock)(static_cast<int>(file.Get()), LOCK_EX | LOCK_NB) != 0)
            return errno == EWOULDBLOCK ? Busy : None;
        if (fstat(static_cast<int>(file.Get()), &opened) == 0 &&
            stat(strPath.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
            opened.st_ino == named.st_ino) {
            m_hLock = file.Release();
            return Held;
        }
    }
    return None;
}

void CRunLock::Release() {
    sys::CFile lock(m_hLock);
    m_hLock = -1;
}

}  // namespace armwright

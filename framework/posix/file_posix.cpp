#include <acl/libacl.h>
#include <attr/libattr.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "framework/file.h"
#include "framework/save_outcome.h"
#include "io_posix.h"
#include "path_posix.h"

// Test builds compile this file with fault points of their own, to walk every failure path; the
// shipped program has none.
#ifndef ARMWRIGHT_SAVE_FAULT
#define ARMWRIGHT_SAVE_FAULT(step) false
#endif

namespace armwright {
namespace {

// Closes a descriptor at the end of its scope.
class CFd {
public:
    explicit CFd(int fd = -1) : m_fd(fd) {}
    ~CFd() { Reset(); }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    void Reset(int fd = -1) {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// Holds back, for one scope, the signals that would end the program by default while a save has
// a temporary file or a half-written MeInit on disk; they are delivered once the save is done.
class CSignalsHeld {
public:
    CSignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int nSignal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ})
            sigaddset(&held, nSignal);
        sigprocmask(SIG_BLOCK, &held, &m_previous);
    }
    ~CSignalsHeld() { sigprocmask(SIG_SETMASK, &m_previous, nullptr); }
    CSignalsHeld(const CSignalsHeld&) = delete;
    CSignalsHeld& operator=(const CSignalsHeld&) = delete;

private:
    sigset_t m_previous;
};

// The file a save writes: its folder, held open so that no later change to the path can
// redirect the save, and its name there.
struct Target {
    CFd folder;
    std::string strName;
    bool bExists = false;
    struct stat st = {};
};

// Removes a temporary name from the target's folder on every way out of a scope, exceptions
// included, unless kept.
class CTemporaryName {
public:
    CTemporaryName(int nFolder, std::string strName)
        : m_nFolder(nFolder), m_strName(std::move(strName)) {}
    ~CTemporaryName() {
        if (!m_strName.empty())
            unlinkat(m_nFolder, m_strName.c_str(), 0);
    }
    CTemporaryName(const CTemporaryName&) = delete;
    CTemporaryName& operator=(const CTemporaryName&) = delete;
    const char* Name() const { return m_strName.c_str(); }
    void Keep() { m_strName.clear(); }

private:
    int m_nFolder;
    std::string m_strName;
};

FileStamp StampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.nVolume = static_cast<uint64_t>(st.st_dev);
    stamp.nIndex = static_cast<uint64_t>(st.st_ino);
    stamp.nSize = static_cast<uint64_t>(st.st_size);
    stamp.nWriteTime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.nChangeTime = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    stamp.nPermissions = static_cast<uint32_t>(st.st_mode & 07777);
    return stamp;
}

void HashContent(const char* p, size_t nSize, FileStamp& stamp) {
    const XXH128_hash_t hash = XXH3_128bits(p, nSize);
    stamp.anContent[0] = hash.low64;
    stamp.anContent[1] = hash.high64;
}

// Hands everything from the descriptor's start to its end to `take`, a block at a time.
bool ReadBlocks(int fd, const std::function<void(const char*, size_t)>& take) {
    char buffer[65536];
    for (off_t nOffset = 0;;) {
        ssize_t nRead = pread(fd, buffer, sizeof buffer, nOffset);
        if (nRead < 0 && errno == EINTR)
            continue;
        if (nRead < 0)
            return false;
        if (nRead == 0)
            return true;
        take(buffer, static_cast<size_t>(nRead));
        nOffset += nRead;
    }
}

bool ReadAll(int fd, std::vector<char>& data) {
    data.clear();
    return ReadBlocks(fd, [&data](const char* p, size_t n) { data.insert(data.end(), p, p + n); });
}

// Whether the open file is still the one `expected` stamps, its bytes included; `pContent`
// holds them when they have been read already.
bool IsExpected(int fd, const FileStamp& expected, const std::vector<char>* pContent = nullptr) {
    struct stat st;
    if (fstat(fd, &st) != 0)
        return false;
    FileStamp stamp = StampOf(st);
    if (!stamp.HasSameMetadata(expected))
        return false;
    if (pContent) {
        HashContent(pContent->data(), pContent->size(), stamp);
    } else {
        std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(),
                                                                       &XXH3_freeState);
        if (!state || XXH3_128bits_reset(state.get()) != XXH_OK ||
            !ReadBlocks(
                fd, [&state](const char* p, size_t n) { XXH3_128bits_update(state.get(), p, n); }))
            return false;
        const XXH128_hash_t hash = XXH3_128bits_digest(state.get());
        stamp.anContent[0] = hash.low64;
        stamp.anContent[1] = hash.high64;
    }
    return stamp == expected;
}

bool SplitPath(const std::string& strPath, std::string& strFolder, std::string& strName) {
    const size_t nSlash = strPath.rfind('/');
    if (nSlash == std::string::npos || nSlash + 1 == strPath.size())
        return false;
    strFolder = nSlash == 0 ? "/" : strPath.substr(0, nSlash);
    strName = strPath.substr(nSlash + 1);
    return true;
}

// Opens the folder of `strPath` and looks at the entry named there, without following it.
bool OpenEntry(const std::string& strPath, Target& target) {
    std::string strFolder;
    if (!SplitPath(strPath, strFolder, target.strName))
        return false;
    target.folder.Reset(open(strFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (target.folder.Get() < 0)
        return false;
    target.bExists =
        fstatat(target.folder.Get(), target.strName.c_str(), &target.st, AT_SYMLINK_NOFOLLOW) == 0;
    return target.bExists || errno == ENOENT;
}

// Finds the file that writing to `strPath` really changes. A symbolic link is followed by the
// kernel, under its own rules (protected links in sticky folders, mounts without links), never
// by reading it here; the folder where the file it opened lies must hold that very file.
bool LocateTarget(const std::string& strPath, Target& target) {
    if (!OpenEntry(strPath, target))
        return false;
    if (!target.bExists || !S_ISLNK(target.st.st_mode))
        return true;
    CFd file(openat(target.folder.Get(), target.strName.c_str(), O_PATH | O_CLOEXEC));
    struct stat st;
    if (file.Get() < 0 || fstat(file.Get(), &st) != 0)
        return false;  // a dangling link, or one the kernel does not follow for this user
    char szReal[PATH_MAX];
    const std::string strLink = "/proc/self/fd/" + std::to_string(file.Get());
    const ssize_t nLength = readlink(strLink.c_str(), szReal, sizeof szReal - 1);
    if (nLength <= 0)
        return false;
    szReal[nLength] = '\0';
    return OpenEntry(szReal, target) && target.bExists && target.st.st_dev == st.st_dev &&
           target.st.st_ino == st.st_ino;
}

// Runs `write` on `fp`; an exception from it is a failure like any other.
bool Produce(const std::function<bool(FILE*)>& write, FILE* fp) {
    try {
        return write(fp);
    } catch (...) {
        return false;
    }
}

mode_t DefaultFileMode() {
    mode_t nMask = umask(0);
    umask(nMask);
    return 0666 & ~nMask;
}

// A short name of its own for a file in the target's folder, so that it fits wherever the
// target's name fits.
bool RandomName(std::string& strName) {
    unsigned char abRandom[6];
    if (getrandom(abRandom, sizeof abRandom, 0) != static_cast<ssize_t>(sizeof abRandom))
        return false;
    strName = ".armwright-";
    for (unsigned char b : abRandom)
        strName += "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"[b % 62];
    return true;
}

// A new file in the target's folder with no name yet, where the file system allows it, so that
// no crash can leave it behind; otherwise one under a random name. `strName` is empty for the
// former.
int CreateTemporary(int nFolder, std::string& strName) {
    strName.clear();
    int fd = openat(nFolder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    for (int nTry = 0; nTry < 100 && RandomName(strName); ++nTry) {
        fd = openat(nFolder, strName.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    strName.clear();
    return -1;
}

// Gives a file made by CreateTemporary a random name in the folder, for the rename.
bool NameTemporary(int fd, int nFolder, std::string& strName) {
    const std::string strSelf = "/proc/self/fd/" + std::to_string(fd);
    for (int nTry = 0; nTry < 100 && RandomName(strName); ++nTry) {
        // By the descriptor where the caller may, else through /proc.
        if (linkat(fd, "", nFolder, strName.c_str(), AT_EMPTY_PATH) == 0 ||
            linkat(AT_FDCWD, strSelf.c_str(), nFolder, strName.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    return false;
}

// Gives the new file the permissions, ACL and extended attributes of the target, replacing
// whatever it inherited from the folder. CannotKeep when some of it cannot be given.
SaveOutcome CopyIdentity(int nSource, int fd, const struct stat& target) {
    struct stat st;
    if (fstat(fd, &st) != 0)
        return SaveOutcome::Failed;
    // Changing the owner or group clears the set-id bits, so the mode comes after it.
    if ((st.st_uid != target.st_uid || st.st_gid != target.st_gid) &&
        fchown(fd, target.st_uid, target.st_gid) != 0)
        return SaveOutcome::CannotKeep;
    if (fchmod(fd, target.st_mode & 07777) != 0)
        return SaveOutcome::Failed;
    if (perm_copy_fd(nullptr, nSource, nullptr, fd, nullptr) != 0 ||
        attr_copy_fd(nullptr, nSource, nullptr, fd, nullptr, nullptr) != 0)
        return SaveOutcome::CannotKeep;
    return SaveOutcome::Done;
}

// Gives a new file exactly `nMode`, dropping any ACL the folder passed on to it.
bool SetExactMode(int fd, mode_t nMode) {
    if (fchmod(fd, nMode) != 0)
        return false;
    acl_t acl = acl_from_mode(nMode);
    if (!acl)
        return false;
    const bool bSet = acl_set_fd(fd, acl) == 0 || errno == EOPNOTSUPP;
    acl_free(acl);
    return bSet;
}

// Makes a rename in the folder durable; the file is in place whatever this says.
void SyncFolder(int nFolder) {
    CFd folder(openat(nFolder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0)
        fsync(folder.Get());
}

// A new file beside the target that takes its place in one step. CannotKeep when the new file
// could not be what the target is, or the folder refuses the rename; nothing has changed then.
SaveOutcome ReplaceAtomically(const Target& target, const std::function<bool(FILE*)>& write,
                              const FileStamp* pExpected, const FileStamp* pNewLike) {
    const int nFolder = target.folder.Get();
    // What the new file copies its identity from, and what the content check reads.
    CFd source;
    if (target.bExists) {
        source.Reset(openat(nFolder, target.strName.c_str(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st;
        if (source.Get() < 0 || fstat(source.Get(), &st) != 0 || st.st_ino != target.st.st_ino ||
            st.st_dev != target.st.st_dev)
            return SaveOutcome::CannotKeep;
    }
    std::string strName;
    CFd fd(ARMWRIGHT_SAVE_FAULT(Create) ? -1 : CreateTemporary(nFolder, strName));
    if (fd.Get() < 0)
        return SaveOutcome::Failed;
    CTemporaryName temporary(nFolder, strName);

    if (target.bExists) {
        const SaveOutcome outcome = CopyIdentity(source.Get(), fd.Get(), target.st);
        if (outcome != SaveOutcome::Done)
            return outcome;
    } else {
        mode_t nMode = DefaultFileMode();
        // Never more open than the file it is like; but its owner may write it, so that a copy
        // of a read-only file does not stop the next run's copy.
        if (pNewLike)
            nMode &= static_cast<mode_t>(pNewLike->nPermissions) | S_IWUSR;
        if (!SetExactMode(fd.Get(), nMode))
            return SaveOutcome::Failed;
    }

    FILE* fp = fdopen(dup(fd.Get()), "w");
    if (!fp)
        return SaveOutcome::Failed;
    bool bOk = Produce(write, fp) && !ARMWRIGHT_SAVE_FAULT(Write) && !ferror(fp) &&
               !ARMWRIGHT_SAVE_FAULT(Flush) && fflush(fp) == 0 && !ARMWRIGHT_SAVE_FAULT(Sync) &&
               fsync(fileno(fp)) == 0;
    bOk = fclose(fp) == 0 && !ARMWRIGHT_SAVE_FAULT(Close) && bOk;
    if (!bOk)
        return SaveOutcome::Failed;

    if (strName.empty() && !NameTemporary(fd.Get(), nFolder, strName))
        return SaveOutcome::Failed;
    CTemporaryName named(nFolder, strName);
    temporary.Keep();

    if (pExpected) {
        struct stat st;
        if (fstatat(nFolder, target.strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            st.st_ino != target.st.st_ino || st.st_dev != target.st.st_dev ||
            !IsExpected(source.Get(), *pExpected))
            return SaveOutcome::Changed;
    }
    if (ARMWRIGHT_SAVE_FAULT(Move) ||
        renameat(nFolder, strName.c_str(), nFolder, target.strName.c_str()) != 0) {
        // A sticky folder lets only the file's owner replace it, and a file mounted over its
        // name cannot be replaced at all; rewriting in place still works for both.
        const bool bRefused = errno == EPERM || errno == EBUSY || errno == EXDEV;
        return target.bExists && bRefused ? SaveOutcome::CannotKeep : SaveOutcome::Failed;
    }
    named.Keep();
    SyncFolder(nFolder);
    return SaveOutcome::Done;
}

// Puts `old` back into the file from its second byte on, then its first: until then the file
// stays one that does not load. False when that failed too.
bool PutBack(int fd, const std::vector<char>& old) {
    const off_t nSize = static_cast<off_t>(old.size());
    if (ARMWRIGHT_SAVE_FAULT(Restore) ||
        (nSize > 1 && !WriteAll(fd, old.data() + 1, old.size() - 1, 1)) ||
        ftruncate(fd, nSize) != 0 || fsync(fd) != 0)
        return false;
    return nSize == 0 || (WriteAll(fd, old.data(), 1, 0) && fsync(fd) == 0);
}

// Rewrites the target through its own descriptor, as its user could: everything that makes the
// file what it is stays, and only its bytes change. The content is printed before the file is
// touched and its space reserved, so that a full disk fails before the first byte is written.
// The first byte is made a zero first, which no loader takes for a document, and the real one
// is written last, so that an interrupted rewrite never leaves a mixture that loads; a failed
// one puts the old bytes back the same way.
SaveOutcome RewriteInPlace(const Target& target, const std::function<bool(FILE*)>& write,
                           const FileStamp* pExpected) {
    char* pContent = nullptr;
    size_t nContent = 0;
    FILE* fp = open_memstream(&pContent, &nContent);
    if (!fp)
        return SaveOutcome::Failed;
    const bool bPrinted = Produce(write, fp) && !ferror(fp);
    const bool bClosed = fclose(fp) == 0;
    std::unique_ptr<char, decltype(&free)> content(pContent, &free);
    if (!bPrinted || !bClosed)
        return SaveOutcome::Failed;

    // Read and write: the old bytes are what a failure puts back.
    CFd fd(openat(target.folder.Get(), target.strName.c_str(),
                  O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    std::vector<char> old;
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0 || st.st_dev != target.st.st_dev ||
        st.st_ino != target.st.st_ino || !ReadAll(fd.Get(), old))
        return SaveOutcome::Failed;
    if (pExpected && !IsExpected(fd.Get(), *pExpected, &old))
        return SaveOutcome::Changed;
    const off_t nSize = static_cast<off_t>(nContent);
    // The system call itself: the C library's fallback writes zeros, which would change the file.
    if (nSize > st.st_size && fallocate(fd.Get(), FALLOC_FL_KEEP_SIZE, 0, nSize) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS)
        return SaveOutcome::Failed;
    if (nContent == 0)
        return ftruncate(fd.Get(), 0) == 0 && fsync(fd.Get()) == 0 ? SaveOutcome::Done
                                                                   : SaveOutcome::Failed;
    if (!WriteAll(fd.Get(), "", 1, 0))
        return SaveOutcome::Failed;
    const bool bWritten =
        !ARMWRIGHT_SAVE_FAULT(Mark) && fsync(fd.Get()) == 0 && !ARMWRIGHT_SAVE_FAULT(Rewrite) &&
        WriteAll(fd.Get(), content.get() + 1, nContent - 1, 1) && !ARMWRIGHT_SAVE_FAULT(Truncate) &&
        ftruncate(fd.Get(), nSize) == 0 && !ARMWRIGHT_SAVE_FAULT(Sync) && fsync(fd.Get()) == 0 &&
        !ARMWRIGHT_SAVE_FAULT(Seal) && WriteAll(fd.Get(), content.get(), 1, 0) &&
        fsync(fd.Get()) == 0;
    if (bWritten)
        return SaveOutcome::Done;
    return PutBack(fd.Get(), old) ? SaveOutcome::Failed : SaveOutcome::Damaged;
}

SaveResult Save(const std::string& strPath, const std::function<bool(FILE*)>& write,
                const FileStamp* pExpected, const FileStamp* pNewLike) {
    Target target;
    if (!LocateTarget(strPath, target))
        return SaveResult::Failed;
    if (!target.bExists && pExpected)
        return SaveResult::Changed;
    const int nFolder = target.folder.Get();
    const char* pszName = target.strName.c_str();
    if (target.bExists) {
        // No write bit for anyone is the read-only attribute of this view, and it binds root too.
        if (!S_ISREG(target.st.st_mode) || (target.st.st_mode & 0222) == 0 ||
            faccessat(nFolder, pszName, W_OK, AT_EACCESS) != 0)
            return SaveResult::Failed;
        if (pExpected && !StampOf(target.st).HasSameMetadata(*pExpected))
            return SaveResult::Changed;
    }
    // A new file would split other hard links from the content they share.
    SaveOutcome outcome = SaveOutcome::CannotKeep;
    if ((!target.bExists || target.st.st_nlink == 1) &&
        faccessat(nFolder, ".", W_OK | X_OK, AT_EACCESS) == 0)
        outcome = ReplaceAtomically(target, write, pExpected, pNewLike);
    if (outcome == SaveOutcome::CannotKeep && target.bExists)
        outcome = RewriteInPlace(target, write, pExpected);
    return ResultOf(outcome);
}

}  // namespace

bool ReadWholeFile(LPCSTR lpszPath, std::vector<char>& data, size_t nPadding, FileStamp* pStamp) {
    std::string strPath;
    if (!PosixPathFromWindows(lpszPath, strPath))
        return false;
    // Without O_NONBLOCK, opening a FIFO would wait for a writer that may never come.
    CFd fd(open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    data.reserve(static_cast<size_t>(st.st_size) + nPadding);
    if (!ReadAll(fd.Get(), data))
        return false;
    if (pStamp) {
        *pStamp = StampOf(st);
        HashContent(data.data(), data.size(), *pStamp);
    }
    data.resize(data.size() + nPadding, '\0');
    return true;
}

bool GetFileStamp(LPCSTR lpszPath, FileStamp& stamp) {
    std::string strPath;
    struct stat st;
    if (!PosixPathFromWindows(lpszPath, strPath) || stat(strPath.c_str(), &st) != 0)
        return false;
    stamp = StampOf(st);
    return true;
}

SaveResult SaveFileSafely(LPCSTR lpszPath, const std::function<bool(FILE*)>& write,
                          const FileStamp* pExpected, const FileStamp* pNewLike) {
    if (ARMWRIGHT_SAVE_FAULT(Begin))
        return SaveResult::Failed;
    std::string strPath;
    if (!PosixPathFromWindows(lpszPath, strPath))
        return SaveResult::Failed;
    CSignalsHeld signalsHeld;
    try {
        return Save(strPath, write, pExpected, pNewLike);
    } catch (const std::bad_alloc&) {
        return SaveResult::Failed;  // every temporary file has gone with its scope
    }
}

}  // namespace armwright

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string>

#include "framework/file.h"
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
    int Release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// Removes a temporary file on every way out of a scope, exceptions included, unless kept.
class CTemporary {
public:
    explicit CTemporary(std::string strPath) : m_strPath(std::move(strPath)) {}
    ~CTemporary() {
        if (!m_strPath.empty())
            unlink(m_strPath.c_str());
    }
    CTemporary(const CTemporary&) = delete;
    CTemporary& operator=(const CTemporary&) = delete;
    const std::string& Path() const { return m_strPath; }
    void Keep() { m_strPath.clear(); }

private:
    std::string m_strPath;
};

FileStamp StampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.nVolume = static_cast<uint64_t>(st.st_dev);
    stamp.nIndex = static_cast<uint64_t>(st.st_ino);
    stamp.nSize = static_cast<uint64_t>(st.st_size);
    stamp.nWriteTime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

// The file that writing to strPath really changes: the end of a chain of symbolic links.
bool ResolveTarget(const std::string& strPath, std::string& strTarget) {
    struct stat st;
    if (lstat(strPath.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        strTarget = strPath;
        return true;
    }
    char szReal[PATH_MAX];
    if (!realpath(strPath.c_str(), szReal))
        return false;  // a dangling link: there is no file to write
    strTarget = szReal;
    return true;
}

mode_t DefaultFileMode() {
    mode_t nMask = umask(0);
    umask(nMask);
    return 0666 & ~nMask;
}

bool HasExtendedAttributes(const std::string& strPath) {
    return listxattr(strPath.c_str(), nullptr, 0) > 0;
}

// Runs `write` on `fp`; an exception from it is a failure like any other.
bool Produce(const std::function<bool(FILE*)>& write, FILE* fp) {
    try {
        return write(fp);
    } catch (...) {
        return false;
    }
}

bool WriteAll(int fd, const char* p, size_t nLeft) {
    while (nLeft > 0) {
        ssize_t nWritten = write(fd, p, nLeft);
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten <= 0)
            return false;
        p += nWritten;
        nLeft -= static_cast<size_t>(nWritten);
    }
    return true;
}

enum class Outcome { Done, Failed, Changed, CannotKeep };

// A new file beside the target that takes its place in one step. CannotKeep when the new file
// could not carry the target's owner and group; nothing has been changed then.
Outcome ReplaceAtomically(const std::string& strTarget, const struct stat* pTarget,
                          const std::function<bool(FILE*)>& write, const FileStamp* pExpected) {
    const size_t nSlash = strTarget.rfind('/');
    const std::string strFolder = strTarget.substr(0, nSlash + 1);
    // A short name of its own, so that it fits wherever the target's name fits.
    std::string strPattern = strFolder + ".armwright-XXXXXX";
    CFd fd(ARMWRIGHT_SAVE_FAULT(Create) ? -1 : mkostemp(&strPattern[0], O_CLOEXEC));
    if (fd.Get() < 0)
        return Outcome::Failed;
    CTemporary temporary(strPattern);

    if (pTarget) {
        struct stat stTemp;
        if (fstat(fd.Get(), &stTemp) != 0)
            return Outcome::Failed;
        // Changing the owner or group clears the set-id bits, so the mode comes after it.
        if ((stTemp.st_uid != pTarget->st_uid || stTemp.st_gid != pTarget->st_gid) &&
            fchown(fd.Get(), pTarget->st_uid, pTarget->st_gid) != 0)
            return Outcome::CannotKeep;
    }
    if (fchmod(fd.Get(), pTarget ? (pTarget->st_mode & 07777) : DefaultFileMode()) != 0)
        return Outcome::Failed;

    FILE* fp = fdopen(fd.Get(), "w");
    if (!fp)
        return Outcome::Failed;
    fd.Release();
    bool bOk = Produce(write, fp) && !ARMWRIGHT_SAVE_FAULT(Write) && !ferror(fp) &&
               !ARMWRIGHT_SAVE_FAULT(Flush) && fflush(fp) == 0 && !ARMWRIGHT_SAVE_FAULT(Sync) &&
               fsync(fileno(fp)) == 0;
    bOk = fclose(fp) == 0 && !ARMWRIGHT_SAVE_FAULT(Close) && bOk;
    if (!bOk)
        return Outcome::Failed;

    if (pExpected) {
        struct stat stNow;
        if (stat(strTarget.c_str(), &stNow) != 0 || StampOf(stNow) != *pExpected)
            return Outcome::Changed;
    }
    // A sticky folder lets only the file's owner replace it; rewriting in place still works.
    if (ARMWRIGHT_SAVE_FAULT(Move) || rename(temporary.Path().c_str(), strTarget.c_str()) != 0)
        return pTarget && errno == EPERM ? Outcome::CannotKeep : Outcome::Failed;
    temporary.Keep();
    // Make the rename itself durable; the file is in place whatever this says.
    CFd folder(open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0)
        fsync(folder.Get());
    return Outcome::Done;
}

// Rewrites the target through its own descriptor, as its user could: everything that makes the
// file what it is stays, and only its bytes change. The content is printed before the file is
// touched and its space reserved, so that a full disk fails before the first byte is written.
Outcome RewriteInPlace(const std::string& strTarget, const struct stat& target,
                       const std::function<bool(FILE*)>& write, const FileStamp* pExpected) {
    char* pContent = nullptr;
    size_t nContent = 0;
    FILE* fp = open_memstream(&pContent, &nContent);
    if (!fp)
        return Outcome::Failed;
    const bool bPrinted = Produce(write, fp) && !ferror(fp);
    const bool bClosed = fclose(fp) == 0;
    std::unique_ptr<char, decltype(&free)> content(pContent, &free);
    if (!bPrinted || !bClosed)
        return Outcome::Failed;

    CFd fd(open(strTarget.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0 || st.st_dev != target.st_dev ||
        st.st_ino != target.st_ino)
        return Outcome::Failed;
    if (pExpected && StampOf(st) != *pExpected)
        return Outcome::Changed;
    const off_t nSize = static_cast<off_t>(nContent);
    if (nSize > st.st_size) {
        int nError = posix_fallocate(fd.Get(), 0, nSize);
        if (nError != 0 && nError != EOPNOTSUPP && nError != EINVAL)
            return Outcome::Failed;
    }
    if (ARMWRIGHT_SAVE_FAULT(Write) || !WriteAll(fd.Get(), content.get(), nContent) ||
        ftruncate(fd.Get(), nSize) != 0 || ARMWRIGHT_SAVE_FAULT(Sync) || fsync(fd.Get()) != 0)
        return Outcome::Failed;
    return Outcome::Done;
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
    data.clear();
    data.reserve(static_cast<size_t>(st.st_size) + nPadding);
    char buffer[65536];
    for (;;) {
        ssize_t nRead = read(fd.Get(), buffer, sizeof buffer);
        if (nRead < 0 && errno == EINTR)
            continue;
        if (nRead < 0)
            return false;
        if (nRead == 0)
            break;
        data.insert(data.end(), buffer, buffer + nRead);
    }
    data.resize(data.size() + nPadding, '\0');
    if (pStamp)
        *pStamp = StampOf(st);
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
                          const FileStamp* pExpected) {
    std::string strPath, strTarget;
    if (!PosixPathFromWindows(lpszPath, strPath) || !ResolveTarget(strPath, strTarget))
        return SaveResult::Failed;
    struct stat st;
    const bool bExists = stat(strTarget.c_str(), &st) == 0;
    if (!bExists && pExpected)
        return SaveResult::Changed;
    if (bExists) {
        // No write bit for anyone is the read-only attribute of this view, and it binds root too.
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 ||
            faccessat(AT_FDCWD, strTarget.c_str(), W_OK, AT_EACCESS) != 0)
            return SaveResult::Failed;
        if (pExpected && StampOf(st) != *pExpected)
            return SaveResult::Changed;
    }
    const std::string strFolder = strTarget.substr(0, strTarget.rfind('/') + 1);
    // A new file would lose what the old one had beyond owner, group and mode (ACLs and other
    // extended attributes), and would split other hard links from the content they share.
    const bool bKeepable = !bExists || (st.st_nlink == 1 && !HasExtendedAttributes(strTarget));
    Outcome outcome = Outcome::CannotKeep;
    if (bKeepable && faccessat(AT_FDCWD, strFolder.c_str(), W_OK | X_OK, AT_EACCESS) == 0)
        outcome = ReplaceAtomically(strTarget, bExists ? &st : nullptr, write, pExpected);
    if (outcome == Outcome::CannotKeep && bExists)
        outcome = RewriteInPlace(strTarget, st, write, pExpected);
    switch (outcome) {
        case Outcome::Done:
            return SaveResult::Saved;
        case Outcome::Changed:
            return SaveResult::Changed;
        default:
            return SaveResult::Failed;
    }
}

}  // namespace armwright

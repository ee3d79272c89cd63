// Files named by Windows paths: whole reads, saves that keep what a file was, and the run lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/windef.h"

namespace armwright {

// What tells that a file on disk is no longer the one that was read: identity, size, times, bytes.
struct FileStamp {
    uint64_t nVolume = 0;
    uint64_t anIndex[2] = {0, 0};
    uint64_t nSize = 0;
    int64_t nWriteTime = 0;          // in the system's own unit; compared only for equality
    int64_t nChangeTime = 0;         // the same, of the file's last change of any kind
    uint64_t anContent[2] = {0, 0};  // 128-bit hash of the bytes read; zero when none were read
    uint32_t nPermissions = 0;       // POSIX permission bits; a new file "like" it gets no more
    uint32_t nOwner = 0;             // POSIX owner and group; zero elsewhere
    uint32_t nGroup = 0;

    // The same file on disk, whatever it holds.
    bool IsSameFile(const FileStamp& other) const {
        return nVolume == other.nVolume && anIndex[0] == other.anIndex[0] &&
               anIndex[1] == other.anIndex[1];
    }
    // Unchanged as far as metadata tells: the same file with the same times, or where the system
    // gave the file a new identity on opening it (an overlay's copy-up), its copy.
    bool HasSameMetadata(const FileStamp& other) const {
        return nSize == other.nSize && nWriteTime == other.nWriteTime &&
               (!IsSameFile(other) || nChangeTime == other.nChangeTime);
    }
    bool HasSameContent(const FileStamp& other) const {
        return anContent[0] == other.anContent[0] && anContent[1] == other.anContent[1];
    }
};

enum class ReadResult {
    Read,
    Failed,   // missing, unreadable, or not a regular file (never waited on)
    Changed,  // the file changed while it was read: what was read may be a mixture
};

// Reads the whole regular file `lpszPath` into `data`, then nPadding zero bytes, in a buffer of
// exactly that size; `pStamp`, when given, receives the stamp of the file read.
ReadResult ReadWholeFile(LPCSTR lpszPath, std::vector<char>& data, size_t nPadding,
                         FileStamp* pStamp = nullptr);

// The stamp of the file `lpszPath` names now (links followed), its content unread; false if none.
bool GetFileStamp(LPCSTR lpszPath, FileStamp& stamp);

// Where a save's content goes, a chunk at a time.
class CWriter {
public:
    virtual ~CWriter() = default;
    // Takes `nSize` bytes at `p`; false when they could not be stored.
    virtual bool Write(const char* p, size_t nSize) = 0;
};

enum class SaveResult {
    Saved,    // the file now holds what `print` produced
    Failed,   // refused or failed; the file is as it was
    Changed,  // the file on disk was not the expected one; nothing was written
    Damaged,  // a rewrite in place failed and the old bytes could not be put back either
    Unsure,   // the new content is in place, but the system reported an error after that
};

// Asked by a save once the new content is ready and differs from what the file holds, right
// before the file changes, with the new content's size and hash; false stops the save.
using BeforeCommit = std::function<bool(const FileStamp& written)>;

// Writes a file whole, as its user could, keeping what it was: owner, group, mode, ACL, attributes,
// flags, and links (the file at a link's end is written). `print` gives the content with "\n" line
// ends, which become the system's. A new file beside the target takes its place in one step where
// that keeps what the file is; otherwise the file is rewritten in place, in stages that leave it
// old, new, or not loadable. A file its user may not write is never touched. With `pExpected`,
// nothing is written unless the file is still that one, bytes included, nor when the new bytes are
// the expected ones. On POSIX, with `pNewLike`, a new file, or one that lets anyone read more than
// `pNewLike`, becomes a new file no more readable than it; Windows ignores `pNewLike`, and a new
// file there takes its folder's access list. No temporary file outlives a failure, an exception
// from `print` or a termination signal.
SaveResult SaveFileSafely(LPCSTR lpszPath, const std::function<bool(CWriter&)>& print,
                          const FileStamp* pExpected = nullptr, const FileStamp* pNewLike = nullptr,
                          const BeforeCommit& beforeCommit = nullptr);

// The same, with `bytes` as the content, written as they are (their line ends too).
SaveResult SaveBytesSafely(LPCSTR lpszPath, const std::string& bytes,
                           const FileStamp* pExpected = nullptr,
                           const BeforeCommit& beforeCommit = nullptr);

// Copies the regular file `lpszFrom`, whose size and hash `expected` holds, to a new file `lpszTo`,
// as a clone where the file system has them, and compares what lands there first; `pNewLike` as
// for SaveFileSafely. Failed when the bytes are not the expected ones or anything else fails.
SaveResult KeepCopy(LPCSTR lpszFrom, LPCSTR lpszTo, const FileStamp& expected,
                    const FileStamp* pNewLike = nullptr);
// Held from reading a file to the end of its save, so that a second run on it (links resolved) is
// refused rather than losing either's edit. It writes nothing and keeps no reader out.
class CRunLock {
public:
    enum Result {
        Held,
        Busy,  // another run holds it
        None,  // no lock was taken: there is no such file, or its file system has no locks
    };
    CRunLock() = default;
    ~CRunLock() { Release(); }
    CRunLock(const CRunLock&) = delete;
    CRunLock& operator=(const CRunLock&) = delete;
    // Takes the lock of the file `lpszPath` names, never waiting.
    Result Acquire(LPCSTR lpszPath);
    void Release();

private:
    intptr_t m_hLock = -1;
};

}  // namespace armwright

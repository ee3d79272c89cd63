// Files named by Windows paths: whole reads, and saves that keep what the file was.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "framework/windef.h"

namespace armwright {

// What tells that a file on disk is no longer the one that was read: its identity (device and
// inode, or volume and file index), size, last write and change times, and a hash of its bytes.
struct FileStamp {
    uint64_t nVolume = 0;
    uint64_t nIndex = 0;
    uint64_t nSize = 0;
    int64_t nWriteTime = 0;          // in the system's own unit; compared only for equality
    int64_t nChangeTime = 0;         // the same, of the file's last change of any kind
    uint64_t anContent[2] = {0, 0};  // 128-bit hash of the bytes read; zero when none were read
    uint32_t nPermissions = 0;       // POSIX permission bits; a new file "like" it gets no more

    // The same file on disk, whatever it holds.
    bool IsSameFile(const FileStamp& other) const {
        return nVolume == other.nVolume && nIndex == other.nIndex;
    }
    // The same file, unchanged as far as its metadata tells.
    bool HasSameMetadata(const FileStamp& other) const {
        return IsSameFile(other) && nSize == other.nSize && nWriteTime == other.nWriteTime &&
               nChangeTime == other.nChangeTime;
    }
    friend bool operator==(const FileStamp& a, const FileStamp& b) {
        return a.HasSameMetadata(b) && a.anContent[0] == b.anContent[0] &&
               a.anContent[1] == b.anContent[1];
    }
    friend bool operator!=(const FileStamp& a, const FileStamp& b) { return !(a == b); }
};

// Reads the whole regular file that `lpszPath` names into `data`, followed by nPadding zero
// bytes, in a buffer of exactly that size; `pStamp`, when given, receives the stamp of the file
// read. False when it cannot be opened or read, or is not a regular file (a FIFO, a device or a
// folder is refused without waiting on it).
bool ReadWholeFile(LPCSTR lpszPath, std::vector<char>& data, size_t nPadding,
                   FileStamp* pStamp = nullptr);

// The stamp of the file that `lpszPath` names now (links followed), its content unread; false
// when there is none.
bool GetFileStamp(LPCSTR lpszPath, FileStamp& stamp);

enum class SaveResult {
    Saved,    // the file now holds what `write` produced
    Failed,   // refused or failed; the file is as it was
    Changed,  // the file on disk was not the expected one; nothing was written
    Damaged,  // a rewrite in place failed and the old bytes could not be put back either
};

// Writes a file whole, as its user could, keeping what the file was: owner, group, mode, ACL and
// other attributes, and links (a link stays a link; the kernel follows it to the file written).
// `write` produces the content in text mode. Preferably a new file beside the target takes its
// place in one step; where that could not keep the file what it was (folder not writable, other
// hard links, owner or attributes not keepable, a rename refused) the file is rewritten in place,
// in stages that leave it, at any moment, either the old content, the new one, or a file that
// does not load. A file that the user may not write is never touched. With `pExpected`, nothing
// is written unless the file is still that one, its bytes included. A new file gets at most the
// permissions of `pNewLike` when given (its owner may write it). No temporary file remains after
// any failure, an exception from `write` or a termination signal included.
SaveResult SaveFileSafely(LPCSTR lpszPath, const std::function<bool(FILE*)>& write,
                          const FileStamp* pExpected = nullptr,
                          const FileStamp* pNewLike = nullptr);

}  // namespace armwright

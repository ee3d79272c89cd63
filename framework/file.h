// Files named by Windows paths: whole reads, and saves that keep what the file was.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "framework/windef.h"

namespace armwright {

// What tells, without reading it, that a file on disk is no longer the one that was read: its
// identity (device and inode, or volume and file index), size and last write time.
struct FileStamp {
    uint64_t nVolume = 0;
    uint64_t nIndex = 0;
    uint64_t nSize = 0;
    int64_t nWriteTime = 0;  // in the system's own unit; compared only for equality

    friend bool operator==(const FileStamp& a, const FileStamp& b) {
        return a.nVolume == b.nVolume && a.nIndex == b.nIndex && a.nSize == b.nSize &&
               a.nWriteTime == b.nWriteTime;
    }
    friend bool operator!=(const FileStamp& a, const FileStamp& b) { return !(a == b); }
};

// Reads the whole regular file that `lpszPath` names into `data`, followed by nPadding zero
// bytes, in a buffer of exactly that size; `pStamp`, when given, receives the stamp of the file
// read. False when it cannot be opened or read, or is not a regular file (a FIFO, a device or a
// folder is refused without waiting on it).
bool ReadWholeFile(LPCSTR lpszPath, std::vector<char>& data, size_t nPadding,
                   FileStamp* pStamp = nullptr);

// The stamp of the file that `lpszPath` names now (links followed); false when there is none.
bool GetFileStamp(LPCSTR lpszPath, FileStamp& stamp);

enum class SaveResult {
    Saved,    // the file now holds what `write` produced
    Failed,   // refused or failed; the file is as it was
    Changed,  // the file on disk was not the expected one; nothing was written
};

// Writes a file whole, as its user could, keeping what the file was: owner, group, mode or ACL,
// attributes, and links (a link stays a link; its target is written). `write` produces the
// content in text mode. Preferably it fills a temporary file beside the target that then replaces
// it in one step; where that could not keep the file's identity (folder not writable, other hard
// links, owner not keepable) the file is rewritten in place. A file that the user may not write is
// never touched. With `pExpected`, the save first checks that the file is still that one.
// No temporary file remains after any failure, an exception from `write` included.
SaveResult SaveFileSafely(LPCSTR lpszPath, const std::function<bool(FILE*)>& write,
                          const FileStamp* pExpected = nullptr);

}  // namespace armwright

// What each backend gives the save (save.cpp): small steps with the same names and signatures on
// every system. Every decision is the save's; a step does what it says and answers if it could.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "framework/file.h"

namespace armwright {
namespace sys {

// An open file or folder of the backend (a descriptor, a handle), closed with its scope.
class CFile {
public:
    CFile() = default;
    explicit CFile(intptr_t h) : m_h(h) {}
    ~CFile() { Reset(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    intptr_t Get() const { return m_h; }
    bool IsOpen() const { return m_h != kNone; }
    void Reset(intptr_t h = kNone);
    intptr_t Release() {  // the caller closes it
        const intptr_t h = m_h;
        m_h = kNone;
        return h;
    }

    static constexpr intptr_t kNone = -1;

private:
    intptr_t m_h = kNone;
};

// The file a save writes, found once so that no later change to the path can redirect it.
struct Target {
    PathString strPath;  // POSIX: its name in `folder`; Windows: its full path, links resolved
    CFile folder;        // POSIX: its folder, held open
    bool bExists = false;
    bool bRegular = false;     // a file on disk, not a folder, device or pipe
    bool bWritable = false;    // its user may write it, as the system's own checks say
    bool bReplaceable = true;  // a new file may take its place: the folder takes new files and
                               // renames, and the file has one name (at a link's end, its own)
    FileStamp stamp;           // as found, its content unread
};

// Finds the file that writing to `lpszPath` changes; false when the path cannot be reached or
// expressed on this system.
bool Locate(LPCSTR lpszPath, Target& target);
// The stamp of what the target's name names now, its content unread; false when nothing.
bool StampAt(const Target& target, FileStamp& stamp);

enum class Access { Read, ReadWrite };
// Opens the target itself (no link followed beyond what Locate resolved), never waiting.
bool Open(const Target& target, Access access, CFile& file);
// Opens the regular file `lpszPath` to read (links followed), never waiting on what is not one.
bool OpenToRead(LPCSTR lpszPath, CFile& file);
// The stamp of an open file, its content unread.
bool Stamp(const CFile& file, FileStamp& stamp);

// Reads up to nSize bytes at nOffset; nRead 0 at the end.
bool ReadAt(const CFile& file, uint64_t nOffset, char* p, size_t nSize, size_t& nRead);
bool WriteAt(const CFile& file, uint64_t nOffset, const char* p, size_t nSize);
bool SetEnd(const CFile& file, uint64_t nSize);
// Makes what was written durable.
bool Flush(const CFile& file);
// Reserves room for nSize bytes, so that a full disk fails before the first byte changes;
// true where the file system cannot reserve.
bool Reserve(const CFile& file, uint64_t nSize);
// Keeps every other writer out of the file until it closes; false when one is in.
bool LockWhole(const CFile& file);

// A 128-bit hash of bytes, fed in pieces.
class CHash {
public:
    CHash();
    ~CHash();
    void Add(const char* p, size_t nSize);
    // Puts the hash into `stamp`; false when the system could not compute it.
    bool Finish(FileStamp& stamp);

private:
    struct State;
    std::unique_ptr<State> m_pState;
};

// A new file in the target's folder, which becomes the target when committed. Until then it
// has no name, or one that says which target it is for, and it goes with its scope.
struct CTemporary {
    ~CTemporary();

    CFile file;
    intptr_t hFolder = CFile::kNone;  // POSIX: the target's folder, held by the target
    PathString strName;               // empty while it has no name
    bool bCommitted = false;
};

// Creates the temporary file for `target`.
bool Create(const Target& target, CTemporary& temporary);
enum class Kept { Yes, No, Failed };
// Gives the temporary file everything that makes `source`, the target open, what it is: owner,
// group, mode, access list, attributes and flags. No when some of it cannot be given.
Kept GiveIdentity(const Target& target, const CFile& source, CTemporary& temporary);
// Gives a new file the identity a new file of the user gets, no more readable than `pLike`.
bool GiveNewIdentity(CTemporary& temporary, const FileStamp* pLike);
// Whether the existing target would let anyone read more than `like` does.
bool ShowsMoreThan(const Target& target, const FileStamp& like);
// Makes the temporary file share `source`'s blocks, where the file system can; false elsewhere.
bool Clone(const CFile& source, CTemporary& temporary);
// Gives the temporary file its name, where it had none.
bool Name(const Target& target, CTemporary& temporary);
enum class Committed { Yes, No, Refused, Changed };
// Makes the temporary file the target in one step, replacing it when it exists, never a file that
// appeared meanwhile. Refused when the system will not let it take the target's place; Changed
// when `isUnchanged`, asked right before every attempt, says no.
Committed Commit(const Target& target, CTemporary& temporary,
                 const std::function<bool()>& isUnchanged);
// Makes the commit durable.
bool FlushCommit(const Target& target, CTemporary& temporary);
// Removes what earlier runs, ended before they could, left for this target and no other.
void RemoveLeftovers(const Target& target);

// Holds back, for one scope, what would end the program while a save has files half done.
class CTerminationHeld {
public:
    CTerminationHeld();
    ~CTerminationHeld();

private:
    uint64_t m_nPrevious = 0;
};

// The line end of the system's text files.
extern const char* const kLineEnd;

}  // namespace sys
}  // namespace armwright

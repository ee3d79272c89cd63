// The whole read and the save, once for every system: what is checked, in what order, and what
// each outcome means. The backends only carry out the steps (primitives.h).
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "framework/file.h"
#include "framework/save/primitives.h"

namespace armwright {
namespace {

// In the order of the results they come to.
enum class Outcome {
    Done,
    Failed,      // not written; the file is as it was
    Changed,     // the file was not the expected one; nothing was written
    Damaged,     // a rewrite in place failed, and so did putting the old bytes back
    Unsure,      // committed, but the system reported an error after that
    CannotKeep,  // a new file could not be what the old one is; nothing has changed
};

SaveResult ResultOf(Outcome outcome) {
    return outcome == Outcome::CannotKeep ? SaveResult::Failed
                                          : static_cast<SaveResult>(static_cast<int>(outcome));
}

const size_t kBlock = 1 << 16;

// Hands everything from the file's start to its end to `take`, a block at a time.
template <typename Take>
bool ReadBlocks(const sys::CFile& file, Take take) {
    std::unique_ptr<char[]> buffer(new char[kBlock]);
    for (uint64_t nOffset = 0;;) {
        size_t nRead = 0;
        if (!sys::ReadAt(file, nOffset, buffer.get(), kBlock, nRead))
            return false;
        if (nRead == 0)
            return true;
        if (!take(buffer.get(), nRead))
            return false;
        nOffset += nRead;
    }
}

// Whether the open file is still the one `expected` stamps, its bytes included.
bool HoldsExpected(const sys::CFile& file, const FileStamp& expected) {
    FileStamp now;
    sys::CHash hash;
    return sys::Stamp(file, now) && now.HasSameMetadata(expected) &&
           ReadBlocks(file,
                      [&hash](const char* p, size_t n) {
                          hash.Add(p, n);
                          return true;
                      }) &&
           hash.Finish(now) && now.HasSameContent(expected);
}

// Whether the target's name names what Locate found (nothing, or the file `pExpected` stamps).
bool IsUnchanged(const sys::Target& target, const FileStamp* pExpected) {
    FileStamp at;
    if (!sys::StampAt(target, at))
        return !target.bExists;
    return target.bExists && at.IsSameFile(target.stamp) &&
           (!pExpected || at.HasSameMetadata(*pExpected));
}

// What one save is asked to do.
struct Request {
    const std::function<bool(CWriter&)>& print;
    const FileStamp* pExpected;
    const FileStamp* pNewLike;
    const BeforeCommit& beforeCommit;
    bool bText;  // the content's "\n" become the system's line ends
};

// Passes the content on with the system's line ends in place of "\n".
class CLineEnds : public CWriter {
public:
    explicit CLineEnds(CWriter& next) : m_next(next) {}
    bool Write(const char* p, size_t nSize) override {
        m_text.clear();
        for (const char* const pEnd = p + nSize; p < pEnd;) {
            const void* pFound = std::memchr(p, '\n', static_cast<size_t>(pEnd - p));
            const char* pStop = pFound ? static_cast<const char*>(pFound) : pEnd;
            m_text.append(p, pStop);
            if (pFound)
                m_text += sys::kLineEnd;
            p = pFound ? pStop + 1 : pEnd;
        }
        return m_next.Write(m_text.data(), m_text.size());
    }

private:
    CWriter& m_next;
    std::string m_text;
};

// Hands each chunk to a function: the file's next bytes, or a string's.
class CChunks : public CWriter {
public:
    explicit CChunks(std::function<bool(const char*, size_t)> take) : m_take(std::move(take)) {}
    bool Write(const char* p, size_t nSize) override { return m_take(p, nSize); }

private:
    std::function<bool(const char*, size_t)> m_take;
};

// Runs the request's `print` into `sink`; an exception from it is a failure like any other.
bool Produce(const Request& request, CWriter& sink) {
    CLineEnds lineEnds(sink);
    try {
        return request.print(request.bText && std::strcmp(sys::kLineEnd, "\n") != 0 ? lineEnds
                                                                                    : sink);
    } catch (...) {
        return false;
    }
}

// Whether the new content, which `written` stamps, may take the target's place: not when it is
// what the target holds already (nothing is written then), nor when the caller says no.
Outcome Admit(const Request& request, FileStamp& written, sys::CHash& hash) {
    if (!hash.Finish(written))
        return Outcome::Failed;
    if (request.pExpected && written.nSize == request.pExpected->nSize &&
        written.HasSameContent(*request.pExpected))
        return Outcome::Done;
    return !request.beforeCommit || request.beforeCommit(written) ? Outcome::Unsure
                                                                  : Outcome::Failed;
}

// A new file beside the target that takes its place in one step; a new file of the user's
// (`bNew`) or one that keeps everything the target is. CannotKeep when it could not be that, or
// the system refused it the target's place; nothing has changed then.
Outcome Replace(const sys::Target& target, const Request& request, bool bNew) {
    const FileStamp* pExpected = request.pExpected;
    sys::CFile source;
    FileStamp now;
    if (target.bExists && (!sys::Open(target, sys::Access::Read, source) ||
                           !sys::Stamp(source, now) || !now.IsSameFile(target.stamp)))
        return Outcome::CannotKeep;
    sys::CTemporary temporary;
    if (!sys::Create(target, temporary))
        return target.bExists ? Outcome::CannotKeep : Outcome::Failed;
    if (bNew) {
        if (!sys::GiveNewIdentity(temporary, request.pNewLike))
            return Outcome::Failed;
    } else {
        const sys::Kept kept = sys::GiveIdentity(target, source, temporary);
        if (kept != sys::Kept::Yes)
            return kept == sys::Kept::No ? Outcome::CannotKeep : Outcome::Failed;
    }
    FileStamp written;
    sys::CHash hash;
    CChunks writer([&temporary, &written, &hash](const char* p, size_t n) {
        hash.Add(p, n);
        written.nSize += n;
        return sys::WriteAt(temporary.file, written.nSize - n, p, n);
    });
    if (!Produce(request, writer) || !sys::Flush(temporary.file))
        return Outcome::Failed;
    // The whole content is compared while the new file has no name yet, so that a kill during
    // the longest check cannot leave it behind; right before the commit only metadata is.
    if (pExpected && !HoldsExpected(source, *pExpected))
        return Outcome::Changed;
    const Outcome admitted = Admit(request, written, hash);
    if (admitted != Outcome::Unsure)
        return admitted;
    // Windows lets no rename replace a file that has a handle open, but for its POSIX rename.
    source.Reset();
    if (!sys::Name(target, temporary))
        return Outcome::Failed;
    switch (sys::Commit(target, temporary,
                        [&target, pExpected] { return IsUnchanged(target, pExpected); })) {
        case sys::Committed::Yes:
            // From here on the target holds the new content, whatever else fails.
            return sys::FlushCommit(target, temporary) ? Outcome::Done : Outcome::Unsure;
        case sys::Committed::Refused:
            return target.bExists ? Outcome::CannotKeep : Outcome::Failed;
        case sys::Committed::Changed:
            return Outcome::Changed;
        default:
            return Outcome::Failed;
    }
}

// Puts `old` back into the file from its second byte on, then its first: until then the file
// stays one that does not load. False when that failed too.
bool PutBack(const sys::CFile& file, const std::vector<char>& old) {
    if ((old.size() > 1 && !sys::WriteAt(file, 1, old.data() + 1, old.size() - 1)) ||
        !sys::SetEnd(file, old.size()) || !sys::Flush(file))
        return false;
    return old.empty() || (sys::WriteAt(file, 0, old.data(), 1) && sys::Flush(file));
}

// Rewrites the target itself, as its user could: only its bytes change. The content is printed and
// its room reserved before the file is touched, so that a full disk fails before any byte changes.
// The first byte becomes a zero, which no loader takes for a document, and the real one comes last,
// so an interrupted rewrite never leaves a mixture that loads; a failed one puts old bytes back so.
Outcome RewriteInPlace(const sys::Target& target, const Request& request) {
    const FileStamp* pExpected = request.pExpected;
    std::string content;
    FileStamp written;
    sys::CHash hash;
    CChunks writer([&content, &hash](const char* p, size_t n) {
        content.append(p, n);
        hash.Add(p, n);
        return true;
    });
    if (!Produce(request, writer))
        return Outcome::Failed;
    written.nSize = content.size();
    // Opening a file to write may give it a new identity (an overlay copies it up): the name
    // must name what was opened, and the content check says whether it is still the same.
    sys::CFile file;
    FileStamp now, named;
    if (!sys::Open(target, sys::Access::ReadWrite, file) || !sys::Stamp(file, now) ||
        !sys::StampAt(target, named) || !named.IsSameFile(now) || !sys::LockWhole(file))
        return Outcome::Failed;
    std::vector<char> old;
    old.reserve(static_cast<size_t>(now.nSize));
    if (!ReadBlocks(file, [&old](const char* p, size_t n) {
            old.insert(old.end(), p, p + n);
            return true;
        }))
        return Outcome::Failed;
    sys::CHash oldHash;
    oldHash.Add(old.data(), old.size());
    if (pExpected && (!now.HasSameMetadata(*pExpected) || !oldHash.Finish(now) ||
                      !now.HasSameContent(*pExpected)))
        return Outcome::Changed;
    const Outcome admitted = Admit(request, written, hash);
    if (admitted != Outcome::Unsure)
        return admitted;
    if (content.size() > old.size() && !sys::Reserve(file, content.size()))
        return Outcome::Failed;
    const bool bWritten = content.empty()
                              ? sys::SetEnd(file, 0) && sys::Flush(file)
                              : sys::WriteAt(file, 0, "", 1) && sys::Flush(file) &&
                                    sys::WriteAt(file, 1, content.data() + 1, content.size() - 1) &&
                                    sys::SetEnd(file, content.size()) && sys::Flush(file) &&
                                    sys::WriteAt(file, 0, content.data(), 1) && sys::Flush(file);
    if (bWritten)
        return Outcome::Done;
    return PutBack(file, old) ? Outcome::Failed : Outcome::Damaged;
}

Outcome Save(LPCSTR lpszPath, const Request& request) {
    const FileStamp* pExpected = request.pExpected;
    const FileStamp* pNewLike = request.pNewLike;
    sys::Target target;
    if (!sys::Locate(lpszPath, target))
        return Outcome::Failed;
    if (!target.bExists && pExpected)
        return Outcome::Changed;
    if (target.bExists && (!target.bRegular || !target.bWritable))
        return Outcome::Failed;
    if (target.bExists && pExpected && !target.stamp.HasSameMetadata(*pExpected))
        return Outcome::Changed;
    sys::RemoveLeftovers(target);
    // A file that shows more than the one it must be like is not kept what it is: a new file
    // takes its place, or nothing does.
    const bool bRenew = target.bExists && pNewLike && sys::ShowsMoreThan(target, *pNewLike);
    if (!target.bExists || bRenew || target.bReplaceable) {
        const Outcome outcome = Replace(target, request, !target.bExists || bRenew);
        if (outcome != Outcome::CannotKeep)
            return outcome;
        if (bRenew)
            return Outcome::Failed;
    }
    return target.bExists ? RewriteInPlace(target, request) : Outcome::Failed;
}

// A save with termination held off, memory running out a failure like any other.
SaveResult SaveHeld(LPCSTR lpszPath, const Request& request) {
    sys::CTerminationHeld held;
    try {
        return ResultOf(Save(lpszPath, request));
    } catch (const std::bad_alloc&) {
        return SaveResult::Failed;  // every temporary file has gone with its scope
    }
}

}  // namespace

ReadResult ReadWholeFile(LPCSTR lpszPath, std::vector<char>& data, size_t nPadding,
                         FileStamp* pStamp) {
    sys::CFile file;
    FileStamp before, after;
    if (!sys::OpenToRead(lpszPath, file) || !sys::Stamp(file, before))
        return ReadResult::Failed;
    data.clear();
    data.reserve(static_cast<size_t>(before.nSize) + nPadding);
    sys::CHash hash;
    if (!ReadBlocks(file,
                    [&data, &hash](const char* p, size_t n) {
                        data.insert(data.end(), p, p + n);
                        hash.Add(p, n);
                        return true;
                    }) ||
        !sys::Stamp(file, after) || !hash.Finish(after))
        return ReadResult::Failed;
    // Another program writing meanwhile leaves a mixture that may well load. Its times tell,
    // unless it wrote within one tick of the clock; a second reading tells then.
    size_t nCompared = 0;
    if (!after.HasSameMetadata(before) ||
        !ReadBlocks(file,
                    [&data, &nCompared](const char* p, size_t n) {
                        const bool bSame = nCompared + n <= data.size() &&
                                           std::memcmp(data.data() + nCompared, p, n) == 0;
                        nCompared += n;
                        return bSame;
                    }) ||
        nCompared != data.size())
        return ReadResult::Changed;
    if (pStamp)
        *pStamp = after;
    data.resize(data.size() + nPadding, '\0');
    return ReadResult::Read;
}

SaveResult SaveBytesSafely(LPCSTR lpszPath, const std::string& bytes, const FileStamp* pExpected,
                           const BeforeCommit& beforeCommit) {
    const std::function<bool(CWriter&)> print = [&bytes](CWriter& sink) {
        return sink.Write(bytes.data(), bytes.size());
    };
    return SaveHeld(lpszPath, {print, pExpected, nullptr, beforeCommit, false});
}

SaveResult KeepCopy(LPCSTR lpszFrom, LPCSTR lpszTo, const FileStamp& expected,
                    const FileStamp* pNewLike) {
    sys::CFile source;
    sys::Target target;
    sys::CTemporary temporary;
    if (!sys::OpenToRead(lpszFrom, source) || !sys::Locate(lpszTo, target) || target.bExists ||
        !sys::Create(target, temporary) || !sys::GiveNewIdentity(temporary, pNewLike))
        return SaveResult::Failed;
    // What lands in the copy must be the bytes the run loaded: a clone is read back, a copy is
    // checked as it is read from the file.
    FileStamp copied;
    sys::CHash hash;
    const auto take = [&hash, &copied](const char* p, size_t n) {
        hash.Add(p, n);
        copied.nSize += n;
        return true;
    };
    const bool bCopied =
        sys::Clone(source, temporary)
            ? ReadBlocks(temporary.file, take)
            : ReadBlocks(source, [&temporary, &copied, &take](const char* p, size_t n) {
                  return sys::WriteAt(temporary.file, copied.nSize, p, n) && take(p, n);
              });
    if (!bCopied || !sys::Flush(temporary.file) || !hash.Finish(copied) ||
        copied.nSize != expected.nSize || !copied.HasSameContent(expected) ||
        !sys::Name(target, temporary))
        return SaveResult::Failed;
    if (sys::Commit(target, temporary, [&target] { return IsUnchanged(target, nullptr); }) !=
        sys::Committed::Yes)
        return SaveResult::Failed;
    return sys::FlushCommit(target, temporary) ? SaveResult::Saved : SaveResult::Unsure;
}

bool GetFileStamp(LPCSTR lpszPath, FileStamp& stamp) {
    sys::CFile file;
    return sys::OpenToRead(lpszPath, file) && sys::Stamp(file, stamp);
}

SaveResult SaveFileSafely(LPCSTR lpszPath, const std::function<bool(CWriter&)>& print,
                          const FileStamp* pExpected, const FileStamp* pNewLike,
                          const BeforeCommit& beforeCommit) {
    return SaveHeld(lpszPath, {print, pExpected, pNewLike, beforeCommit, true});
}

}  // namespace armwright

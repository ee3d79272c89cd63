// The way back to every MeInit a run replaced: its exact bytes, kept beside the executable in a
// folder of that MeInit's own, with the first bytes Armwright met there kept as its original.
#pragma once

#include <string>
#include <vector>

#include "framework/cstring.h"
#include "framework/file.h"

namespace armwright {

class CRestorePoints {
public:
    // The points of the MeInit at `strMeInitPath`, under `strAppFolder` (which ends with its
    // backslash).
    CRestorePoints(const CString& strAppFolder, const CString& strMeInitPath);

    // The folder that holds them.
    const CString& Folder() const { return m_strFolder; }
    // Whether `content` is something Armwright wrote, kept or backed up for this MeInit; any
    // other content it finds there is the MeInit's new original.
    bool Knows(const FileStamp& content) const;
    // Keeps the MeInit's bytes on disk, which `loaded` stamps, before they are replaced: as its
    // new original (`bOriginal`, which Knows said before the run wrote anything), else as a
    // point unless the latest one holds them already. Of the points that are not originals, the
    // ten most recent stay. False when it could not.
    bool Keep(const FileStamp& loaded, bool bOriginal);
    // Records content about to be written for this MeInit (its new bytes, or the backup's).
    bool Record(const FileStamp& written);
    // The full path of the MeInit's most recent original; empty when none is kept.
    CString Original() const;

private:
    struct Entry {
        std::string strHash;  // size and hash, as text
        std::string strKind;  // "written", "point" or "original"
    };
    std::vector<Entry> ReadEntries() const;
    bool Add(const FileStamp& content, const char* pszKind);

    CString FolderPath() const;  // without its trailing backslash

    CString m_strRoot;    // every MeInit's points are in folders of their own in it
    CString m_strFolder;  // with its trailing backslash
    CString m_strMeInitPath;
};

}  // namespace armwright

// CMeInitFile: the one MeInit document of a run, its aircraft lookup and its three edits.
#pragma once

#include <string>
#include <vector>

#include "framework/cstring.h"
#include "framework/file.h"
#include "xml/XmlFile.h"

class TiXmlDocument;
class TiXmlElement;
class TiXmlNode;

// The aircraft whose loadouts the tool edits.
inline constexpr char kAircraftName[] = "A-10A";

class CMeInitFile {
public:
    CMeInitFile();
    ~CMeInitFile();
    CMeInitFile(const CMeInitFile&) = delete;
    CMeInitFile& operator=(const CMeInitFile&) = delete;

    // Holds the MeInit file for this run and loads it into the document, which remembers
    // `strPath` whatever the outcome; false when it fails, LastLoadFailure saying why.
    bool Load(CString strPath);
    // Why the last Load failed (None when it did not, or another run held the file).
    armwright::LoadFailure LastLoadFailure() const { return m_loadFailure; }
    // Whether the last Load failed because another run is editing the file.
    bool IsHeldByAnotherRun() const { return m_bHeldElsewhere; }
    // Why the last Load failed, in the edits' words; empty when too deep or memory ran out.
    CString GetLoadFailureReason() const;
    // Whether the document has a top-level LockOn_Registry element, as every MeInit has.
    bool HasRegistry() const;
    // Whether the last Load read the file's bytes, whether or not they loaded.
    bool HasReadFile() const { return m_bRead; }
    // The stamp of the bytes the last Load read.
    const armwright::FileStamp& LoadedStamp() const { return m_loadedStamp; }
    // Writes the document to `strPath` safely, as a new file no more open than the MeInit; false,
    // writing nothing, when `strPath` is the loaded file itself. Save's path does not change.
    bool SaveAs(CString strPath, const armwright::BeforeCommit& beforeCommit = nullptr);
    // Writes the document safely back to the path given to Load, unless the file there is no
    // longer the one that was read (Changed: nothing is written); the restored bytes themselves
    // when no edit has changed them since.
    armwright::SaveResult Save(const armwright::BeforeCommit& beforeCommit = nullptr);

    // /restore: the document becomes the MeInit in `bytes`, read from `strPath`; false, reporting
    // why, when they do not load as one.
    bool Restore(const std::vector<char>& bytes, CString strPath);
    // /restore with no original kept in `strFolder`: reports it; false.
    bool NoOriginalToRestore(CString strFolder);
    // /restore of a file that could not be read: reports it; false.
    bool ReportUnreadable(CString strPath);

    // The first Plane (or later sibling element) whose Name is `strName`, or nullptr.
    TiXmlElement* FindPlane(CString strName);

    // /allow: replaces the aircraft's Pylons with the top-level Pylons of the file.
    bool RedefineAllowedPayload(CString strPath);
    bool ApplyAllowedPayload(TiXmlNode* pInput);

    // /weapons: replaces registry Launchers by the file's, matched by CLSID within their Category.
    bool RedefineWeapons(CString strPath);
    bool ApplyWeapons(TiXmlNode* pInput);

    // /addpredif: appends the file's Payloads under fresh IDs and merges its Tasks.
    bool AddPredefinedPayloads(CString strName, CString strPath);

    bool m_bVerbose;             // set by "/verbose"; edits then show their own messages
    TiXmlDocument* m_pDocument;  // the MeInit document, owned
    // Where an edit that succeeds appends what it changed and what looks wrong, one line each,
    // in a run that only checks its line; nullptr otherwise, and then no edit describes itself.
    std::vector<CString>* m_pCheckLines = nullptr;

private:
    CString m_strError;                    // the last message an edit composed
    armwright::FileStamp m_loadedStamp;    // the MeInit file as Load read it
    armwright::LoadFailure m_loadFailure;  // why the last Load failed; None when it did not
    armwright::CRunLock m_runLock;         // held from the load to the end of the run
    bool m_bHeldElsewhere = false;         // the last Load found another run holding the file
    bool m_bRead = false;                  // the last Load read the file's bytes
    std::string m_strRestored;             // what /restore put back, until an edit changes it
    bool m_bRestored = false;

    // The reason `failure` of the file that `doc` names, as the edits and the driver show it;
    // empty when it has none for the user.
    static CString DescribeLoadFailure(armwright::LoadFailure failure, const TiXmlDocument& doc);
    // Loads an edit's input file into `input`, reporting why when it cannot; false then.
    bool LoadInput(TiXmlDocument& input, const char* pszPath);

    // /allow's replacement of the aircraft's Pylons by the input's.
    bool ReplacePylons(TiXmlElement* pPlane, TiXmlNode* pInput);
    // /addpredif on the aircraft's Plane element, with the input file at `strPath`.
    bool InsertPredefinedPayloads(TiXmlNode* pPlane, CString strPath);
    // The first Task of the Plane's Tasks whose WorldID reads as nWorldID, or nullptr.
    static TiXmlNode* FindTask(TiXmlNode* pPlane, int nWorldID);
    // To m_pCheckLines: the tasks of pPlane that the entries of pNewTasks went into, new ones
    // being those after pLastOldTask (nullptr: every one), and their PayloadRefs that name no
    // payload of pPlane.
    void DescribeTaskEntries(TiXmlNode* pPlane, const TiXmlNode* pLastOldTask,
                             TiXmlNode* pNewTasks);

    // Keeps the message, shows it in verbose mode, and returns false for the edit to pass up.
    bool ReportError(const CString& strMessage);
    // Child `pszName` of `pParent`, reporting a corrupt MeInit naming `pszSection` when missing.
    TiXmlNode* RequireNode(TiXmlNode* pParent, const char* pszName, const char* pszSection);
    // Top-level node `pszName` of an input document, reporting the file as unfit when missing.
    TiXmlNode* RequireInputNode(TiXmlNode* pInput, const char* pszName);
    // The registry root, reporting a corrupt MeInit when missing.
    TiXmlNode* RequireRegistry();
    // The Planes node, reporting the first missing step of its path; nullptr then.
    TiXmlNode* RequirePlanes();
    // FindPlane for an edit: reports a missing path or aircraft; nullptr then.
    TiXmlElement* RequirePlane(const CString& strName);
    // Ends an edit that applied `pszFile` within `pEdited`: reports it when the document would
    // now be too deeply nested to be loaded again (so the run saves nothing); false then.
    bool RequireLoadableDepth(const TiXmlNode* pEdited, const char* pszFile);
    // Before `pInputNode` of an input file is copied under `pPlace`: reports it when the saved
    // MeInit would read the copy as other text (its encoding cannot carry it); false then.
    bool RequireCarried(const TiXmlNode* pInputNode, const TiXmlNode* pPlace);
};

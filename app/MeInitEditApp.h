// CMeInitEditApp: the application object; its InitInstance is the whole run of the tool.
#pragma once

#include <memory>
#include <vector>
#include "framework/cstringarray.h"
#include "framework/winapp.h"

#include "app/RestorePoints.h"
#include "meinit/MeInitFile.h"

class CMeInitEditApp : public CWinApp {
public:
    CMeInitEditApp();

    // Reads the command line, loads and backs up the MeInit, runs the edits, saves (under /check
    // writes nothing and says what the edits would change); always FALSE.
    BOOL InitInstance() override;

    // Shows the usage dialog modally.
    void ShowUsage();
    // `strName` unchanged when it holds ":\", else put after the executable's folder.
    CString GetFullPath(CString strName);
    // The full path of the file named in an argument piece ("/allow "x.xml"").
    CString GetArgumentFile(CString strArgument);

    // The text of the box that ends a run under /check: the lines of the edits, and whether a
    // run without /check would save.
    CString CheckSummary(const CString& strMeInitPath, bool bEditRequested,
                         bool bAllSucceeded) const;

    CMeInitFile m_MeInitFile;
    CStringArray m_astrArguments;  // argument pieces still to be handled, in line order
    CString m_strAppFolder;        // folder of the executable, with its trailing backslash
    // Under /check, the lines of each edit in line order, for the box that ends the run.
    std::vector<CString> m_astrCheckLines;

private:
    // What one /restore on the line puts back, read before anything is written, so that the
    // backup named there is the one from before this run.
    struct RestoreSource {
        CString strPath;          // empty: no original is kept
        std::vector<char> bytes;  // what was read there
        bool bRead = false;
    };

    // Reads what each /restore on the line puts back.
    void ReadRestoreSources(bool bLoaded);
    // Whether the line's first edit is a /restore that has something to put back.
    bool FirstEditRestores() const;
    // Saves the document, keeping a restore point of what it replaces first; shows the outcome.
    void SaveWithRestorePoint(const CString& strMeInitPath, const CString& strBackupPath);
    // Runs the edit that one piece names, or reports an unknown switch word; either failing
    // fails the run.
    void Dispatch(const CString& strArgument, bool& bEditRequested, bool& bAllSucceeded);
    // Dispatch's switch: runs the edit, naming its failure message first; false when it failed,
    // or when the switch word is unknown (reported already, no failure message named).
    bool RunEdit(const CString& strSwitch, const CString& strArgument, bool& bEditRequested,
                 UINT& nFailureID);

    std::unique_ptr<armwright::CRestorePoints> m_pPoints;  // of the MeInit on the line
    bool m_bNewOriginal = false;            // the MeInit read is one no run wrote or kept
    std::vector<RestoreSource> m_restores;  // for each /restore on the line, in order
    size_t m_nRestore = 0;                  // the next one
    CString m_strMeInitPath;                // as the line names it, completed
};

namespace armwright {

// The argument pieces of a command line: each starts at a slash and runs to the next; all but
// the last lose their trailing white space.
void SplitArguments(const CString& strCmdLine, CStringArray& astrArguments);
// The text between the first two double quotes of the line; empty with fewer than two.
CString GetQuotedMeInitPath(const CString& strCmdLine);
// The text of a piece up to its first space (the whole piece without one).
CString GetSwitchWord(const CString& strArgument);
// Whether any piece's switch word is `pszSwitch`, ignoring letter case.
bool HoldsSwitch(const CStringArray& astrArguments, LPCSTR pszSwitch);

}  // namespace armwright

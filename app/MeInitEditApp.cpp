#include "app/MeInitEditApp.h"

#include <new>

#include "framework/msgbox.h"
#include "ui/ProgUsageDlg.h"
#include "ui/resource.h"

namespace {

const char kBackupName[] = "Meinit backup before Payload Vanmoor.xml";
const UINT kErrorType = MB_OK | MB_ICONEXCLAMATION;

// The box that ends a run under /check.
const char kCheckHeading[] = "Check of %s : nothing was written";
const char kCheckFailed[] = "failed (see the messages before)";
const char kCheckMore[] = "and %d more";
const char kCheckWouldSave[] = "The MeInit would be saved.";
const char kCheckEditFailed[] = "Nothing would be saved: an edit failed.";
const char kCheckNoEdit[] = "Nothing would be saved: no edit was asked for.";
const char kCheckRestoreOriginal[] = "would put back the original %s";
const char kCheckRestoreFile[] = "would put back %s";
const char kCheckNewOriginal[] = "The MeInit would be kept as its original in %s";
// More lines would make a box taller than the screen.
const size_t kCheckMaxLines = 30;

// Formats a string-table entry with its texts and shows it as text, with the error type.
void ShowFormatted(UINT nID, const CString& strArgument, const CString& strSecond = CString()) {
    CString strFormat, strMessage;
    strFormat.LoadString(nID);
    strMessage.Format(strFormat, strArgument.GetString(), strSecond.GetString());
    AfxMessageBox(strMessage, kErrorType);
}

}  // namespace

void armwright::SplitArguments(const CString& strCmdLine, CStringArray& astrArguments) {
    int nStart = strCmdLine.Find('/');
    while (nStart >= 0) {
        int nNext = strCmdLine.Find('/', nStart + 1);
        if (nNext < 0) {
            astrArguments.Add(strCmdLine.Mid(nStart));
        } else {
            CString strPiece = strCmdLine.Mid(nStart, nNext - nStart);
            astrArguments.Add(strPiece.TrimRight());
        }
        nStart = nNext;
    }
}

CString armwright::GetQuotedMeInitPath(const CString& strCmdLine) {
    int nOpen = strCmdLine.Find('"');
    int nClose = nOpen >= 0 ? strCmdLine.Find('"', nOpen + 1) : -1;
    return nClose >= 0 ? strCmdLine.Mid(nOpen + 1, nClose - nOpen - 1) : CString();
}

CString armwright::GetSwitchWord(const CString& strArgument) {
    int nSpace = strArgument.Find(' ');
    return nSpace >= 0 ? strArgument.Left(nSpace) : strArgument;
}

bool armwright::HoldsSwitch(const CStringArray& astrArguments, LPCSTR pszSwitch) {
    for (int i = 0; i < astrArguments.GetSize(); ++i) {
        if (GetSwitchWord(astrArguments[i]).CompareNoCase(pszSwitch) == 0)
            return true;
    }
    return false;
}

CMeInitEditApp::CMeInitEditApp() : CWinApp(nullptr) {}

void CMeInitEditApp::ShowUsage() {
    CProgUsageDlg dlg(nullptr);
    dlg.DoModal();
}

CString CMeInitEditApp::GetFullPath(CString strName) {
    return strName.Find(":\\") >= 0 ? strName : m_strAppFolder + strName;
}

CString CMeInitEditApp::GetArgumentFile(CString strArgument) {
    int nSpace = strArgument.Find(' ');
    CString strFile = nSpace >= 0 ? strArgument.Mid(nSpace + 1) : strArgument;
    return GetFullPath(strFile.Trim('"'));
}

BOOL CMeInitEditApp::InitInstance() {
    bool bEditRequested = false;
    bool bAllSucceeded = true;

    // A path cut at 260 characters would put the backup into another folder.
    CString strModule = armwright::GetModuleFilePath();
    m_strAppFolder = strModule.Left(strModule.ReverseFind('\\') + 1);

    CString strCmdLine(m_lpCmdLine);
    CString strLower(strCmdLine);
    if (strLower.MakeLower().Find("meinit") < 0 || strCmdLine.Find('/') < 0) {
        ShowUsage();
        return FALSE;
    }
    armwright::SplitArguments(strCmdLine, m_astrArguments);
    // A line is checked to see what it would do and why it fails, so the edits say all.
    const bool bCheck = armwright::HoldsSwitch(m_astrArguments, "/check");
    if (bCheck) {
        m_MeInitFile.m_bVerbose = true;
        m_MeInitFile.m_pCheckLines = &m_astrCheckLines;
    }

    CString strMeInitPath = GetFullPath(armwright::GetQuotedMeInitPath(strCmdLine));
    m_strMeInitPath = strMeInitPath;
    m_pPoints.reset(new armwright::CRestorePoints(m_strAppFolder, strMeInitPath));
    const bool bLoaded = m_MeInitFile.Load(strMeInitPath);
    if (m_MeInitFile.IsHeldByAnotherRun()) {
        ShowFormatted(IDS_FILE_BUSY, strMeInitPath);
        return FALSE;
    }
    if (!bLoaded && m_MeInitFile.LastLoadFailure() == armwright::LoadFailure::Changed) {
        ShowFormatted(IDS_FILE_CHANGED, strMeInitPath);
        return FALSE;
    }
    // Decided before this run writes anything it would then know. What does not load as a MeInit
    // is kept as a point, never as an original that /restore would put back.
    m_bNewOriginal =
        bLoaded && m_MeInitFile.HasRegistry() && !m_pPoints->Knows(m_MeInitFile.LoadedStamp());
    ReadRestoreSources(bLoaded);
    // A MeInit that does not load can still be put back by a line that starts by restoring it.
    const bool bRescue = FirstEditRestores();
    if (!bLoaded && !bRescue) {
        ShowFormatted(IDS_OPEN_FAILED, strMeInitPath);
        // No edit has run to meet /verbose yet, so the whole line decides.
        CString strReason = m_MeInitFile.GetLoadFailureReason();
        if ((bCheck || armwright::HoldsSwitch(m_astrArguments, "/verbose")) && !strReason.IsEmpty())
            AfxMessageBox(strReason, kErrorType);
        return FALSE;
    }
    // An input file taken for the MeInit (its path unquoted, so the first quoted name became
    // it) would be written over the good backup, and then the edits would all fail.
    if (bLoaded && !m_MeInitFile.HasRegistry() && !bRescue) {
        ShowFormatted(IDS_NOT_A_MEINIT, strMeInitPath);
        return FALSE;
    }
    // No edit may run without the backup it promises; of a MeInit that is none there is none,
    // and a check changes nothing to back up.
    CString strBackupPath = GetFullPath(kBackupName);
    if (!bCheck && bLoaded && m_MeInitFile.HasRegistry() &&
        !m_MeInitFile.SaveAs(strBackupPath, [this](const armwright::FileStamp& written) {
            // Only lets a MeInit put back from the backup be known; the backup goes on without.
            m_pPoints->Record(written);
            return true;
        })) {
        ShowFormatted(IDS_BACKUP_FAILED, strBackupPath);
        return FALSE;
    }

    while (!m_astrArguments.IsEmpty()) {
        Dispatch(m_astrArguments[0], bEditRequested, bAllSucceeded);
        m_astrArguments.RemoveAt(0);
    }

    if (bCheck) {
        AfxMessageBox(CheckSummary(strMeInitPath, bEditRequested, bAllSucceeded),
                      MB_OK | MB_ICONINFORMATION);
        return FALSE;
    }
    if (bEditRequested && bAllSucceeded)
        SaveWithRestorePoint(strMeInitPath, strBackupPath);
    return FALSE;
}

void CMeInitEditApp::ReadRestoreSources(bool bLoaded) {
    for (int i = 0; i < m_astrArguments.GetSize(); ++i) {
        const CString& strPiece = m_astrArguments[i];
        if (armwright::GetSwitchWord(strPiece).CompareNoCase("/restore") != 0)
            continue;
        RestoreSource source;
        if (strPiece.Find(' ') >= 0)
            source.strPath = GetArgumentFile(strPiece);
        else
            source.strPath = m_pPoints->Original();
        // The MeInit met for the first time is its own original, kept as such by this run.
        if (source.strPath.IsEmpty() && bLoaded && m_bNewOriginal)
            source.strPath = m_strMeInitPath;
        source.bRead = !source.strPath.IsEmpty() &&
                       armwright::ReadWholeFile(source.strPath, source.bytes, 0) ==
                           armwright::ReadResult::Read;
        m_restores.push_back(source);
    }
}

bool CMeInitEditApp::FirstEditRestores() const {
    for (int i = 0; i < m_astrArguments.GetSize(); ++i) {
        const CString strSwitch = armwright::GetSwitchWord(m_astrArguments[i]);
        if (strSwitch.CompareNoCase("/restore") == 0)
            return !m_restores.empty() && m_restores.front().bRead;
        if (strSwitch.CompareNoCase("/verbose") != 0 && strSwitch.CompareNoCase("/check") != 0)
            return false;
    }
    return false;
}

void CMeInitEditApp::SaveWithRestorePoint(const CString& strMeInitPath,
                                          const CString& strBackupPath) {
    // What the MeInit held goes into a restore point, and what replaces it into the record of
    // what Armwright wrote, both before the MeInit changes.
    bool bKept = true;
    const auto keep = [this, &bKept](const armwright::FileStamp& written) {
        bKept = (!m_MeInitFile.HasReadFile() ||
                 m_pPoints->Keep(m_MeInitFile.LoadedStamp(), m_bNewOriginal)) &&
                m_pPoints->Record(written);
        return bKept;
    };
    const armwright::SaveResult result = m_MeInitFile.Save(keep);
    if (!bKept) {
        CString strFolder = m_pPoints->Folder();
        ShowFormatted(IDS_KEEP_FAILED, strMeInitPath, strFolder.Left(strFolder.GetLength() - 1));
        return;
    }
    switch (result) {
        case armwright::SaveResult::Saved:
            AfxMessageBox(IDS_SUCCESS, MB_OK | MB_ICONINFORMATION);
            break;
        case armwright::SaveResult::Changed:
            ShowFormatted(IDS_FILE_CHANGED, strMeInitPath);
            break;
        case armwright::SaveResult::Failed:
            ShowFormatted(IDS_SAVE_FAILED, strMeInitPath);
            break;
        case armwright::SaveResult::Damaged:
            ShowFormatted(IDS_SAVE_DAMAGED, strMeInitPath, strBackupPath);
            break;
        case armwright::SaveResult::Unsure:
            ShowFormatted(IDS_SAVE_UNSURE, strMeInitPath, strBackupPath);
            break;
    }
}

void CMeInitEditApp::Dispatch(const CString& strArgument, bool& bEditRequested,
                              bool& bAllSucceeded) {
    CString strSwitch = armwright::GetSwitchWord(strArgument);
    bool bSucceeded = true;
    UINT nFailureID = 0;
    const size_t nFirstLine = m_astrCheckLines.size();
    CString strLabel;
    if (m_MeInitFile.m_pCheckLines)
        strLabel = CString(strArgument).TrimRight() + " : ";
    try {
        bSucceeded = RunEdit(strSwitch, strArgument, bEditRequested, nFailureID);
        // The edit's lines say what it changed; which edit, the user reads in its own words.
        for (size_t i = nFirstLine; bSucceeded && i < m_astrCheckLines.size(); ++i)
            m_astrCheckLines[i] = strLabel + m_astrCheckLines[i];
    } catch (const std::bad_alloc&) {
        // The edit may have changed part of the document, and an unknown switch's message went
        // unseen: the run then never saves.
        bSucceeded = false;
    }
    if (!bSucceeded) {
        if (nFailureID != 0)
            AfxMessageBox(nFailureID, kErrorType);
        bAllSucceeded = false;
        // What a failed edit did before it failed is no change that a run would make.
        if (m_MeInitFile.m_pCheckLines) {
            m_astrCheckLines.resize(nFirstLine);
            m_astrCheckLines.push_back(strLabel + kCheckFailed);
        }
    }
}

CString CMeInitEditApp::CheckSummary(const CString& strMeInitPath, bool bEditRequested,
                                     bool bAllSucceeded) const {
    CString strSummary, strLine;
    strSummary.Format(kCheckHeading, strMeInitPath.GetString());
    for (size_t i = 0; i < m_astrCheckLines.size() && i < kCheckMaxLines; ++i)
        strSummary += "\n" + m_astrCheckLines[i];
    if (m_astrCheckLines.size() > kCheckMaxLines) {
        strLine.Format(kCheckMore, static_cast<int>(m_astrCheckLines.size() - kCheckMaxLines));
        strSummary += "\n" + strLine;
    }
    strSummary += "\n";
    if (m_bNewOriginal && bEditRequested && bAllSucceeded) {
        CString strFolder = m_pPoints->Folder();
        strLine.Format(kCheckNewOriginal, strFolder.Left(strFolder.GetLength() - 1).GetString());
        strSummary += strLine + "\n";
    }
    if (!bAllSucceeded)
        strSummary += kCheckEditFailed;
    else
        strSummary += bEditRequested ? kCheckWouldSave : kCheckNoEdit;
    return strSummary;
}

bool CMeInitEditApp::RunEdit(const CString& strSwitch, const CString& strArgument,
                             bool& bEditRequested, UINT& nFailureID) {
    bool bSucceeded = true;
    if (strSwitch.CompareNoCase("/verbose") == 0) {
        m_MeInitFile.m_bVerbose = true;
        return true;
    } else if (strSwitch.CompareNoCase("/check") == 0) {
        return true;  // acted on before the MeInit was loaded
    } else if (strSwitch.CompareNoCase("/allow") == 0) {
        bEditRequested = true;
        nFailureID = IDS_ERR_ALLOW;
        bSucceeded = m_MeInitFile.RedefineAllowedPayload(GetArgumentFile(strArgument));
    } else if (strSwitch.CompareNoCase("/addpredif") == 0) {
        bEditRequested = true;
        nFailureID = IDS_ERR_ADDPREDIF;
        bSucceeded =
            m_MeInitFile.AddPredefinedPayloads(kAircraftName, GetArgumentFile(strArgument));
    } else if (strSwitch.CompareNoCase("/restore") == 0) {
        bEditRequested = true;
        nFailureID = IDS_ERR_RESTORE;
        const RestoreSource& source = m_restores[m_nRestore++];
        if (source.strPath.IsEmpty()) {
            CString strFolder = m_pPoints->Folder();
            bSucceeded =
                m_MeInitFile.NoOriginalToRestore(strFolder.Left(strFolder.GetLength() - 1));
        } else {
            bSucceeded = source.bRead ? m_MeInitFile.Restore(source.bytes, source.strPath)
                                      : m_MeInitFile.ReportUnreadable(source.strPath);
            CString strLine;
            strLine.Format(strArgument.Find(' ') < 0 ? kCheckRestoreOriginal : kCheckRestoreFile,
                           source.strPath.GetString());
            if (bSucceeded && m_MeInitFile.m_pCheckLines)
                m_MeInitFile.m_pCheckLines->push_back(strLine);
        }
    } else if (strSwitch.CompareNoCase("/weapons") == 0) {
        bEditRequested = true;
        nFailureID = IDS_ERR_WEAPONS;
        bSucceeded = m_MeInitFile.RedefineWeapons(GetArgumentFile(strArgument));
    } else {
        // A mistyped switch may stand for an edit the user counts on: saving the others and
        // saying so would report a failure as a success.
        ShowFormatted(IDS_UNKNOWN_ARGUMENT, strSwitch);
        return false;
    }
    return bSucceeded;
}

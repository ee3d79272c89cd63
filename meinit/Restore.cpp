// The /restore edit: the document becomes the MeInit that a restore point, the backup or any
// copy of it holds.
#include <tinyxml.h>

#include <memory>

#include "meinit/MeInitFile.h"
#include "meinit/Messages.h"
#include "xml/XmlFile.h"

bool CMeInitFile::Restore(const std::vector<char>& bytes, CString strPath) {
    std::unique_ptr<TiXmlDocument> pRestored(new TiXmlDocument);
    pRestored->SetValue(strPath);
    const std::string text(bytes.begin(), bytes.end());
    armwright::LoadFailure failure = armwright::LoadFailure::None;
    if (!armwright::ParseXmlText(*pRestored, text, &failure)) {
        const CString strReason = DescribeLoadFailure(failure, *pRestored);
        return strReason.IsEmpty() ? false : ReportError(strReason);
    }
    if (!RequireInputNode(pRestored.get(), "LockOn_Registry"))
        return false;
    // The MeInit keeps its own path, which the save writes to.
    pRestored->SetValue(m_pDocument->Value());
    delete m_pDocument;
    m_pDocument = pRestored.release();
    // Put back alone, the bytes go back as they were, not as the library would print them.
    m_strRestored = text;
    m_bRestored = true;
    return true;
}

bool CMeInitFile::NoOriginalToRestore(CString strFolder) {
    CString strMessage;
    strMessage.Format(meinit_messages::kNoOriginal, m_pDocument->Value(), strFolder.GetString());
    return ReportError(strMessage);
}

bool CMeInitFile::ReportUnreadable(CString strPath) {
    CString strMessage;
    strMessage.Format(meinit_messages::kUnreadable, strPath.GetString());
    return ReportError(strMessage);
}

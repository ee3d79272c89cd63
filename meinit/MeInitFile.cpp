#include "meinit/MeInitFile.h"

#include <tinyxml.h>

#include <new>

#include "framework/msgbox.h"
#include "meinit/Messages.h"
#include "xml/NestingDepth.h"
#include "xml/XmlFile.h"

CMeInitFile::CMeInitFile()
    : m_bVerbose(false),
      m_pDocument(new TiXmlDocument),
      m_loadFailure(armwright::LoadFailure::None) {}

CMeInitFile::~CMeInitFile() {
    delete m_pDocument;
}

bool CMeInitFile::Load(CString strPath) {
    // Taken before the read, so that what is read is what no other run can save over.
    m_loadFailure = armwright::LoadFailure::None;
    m_bHeldElsewhere = m_runLock.Acquire(strPath) == armwright::CRunLock::Busy;
    if (m_bHeldElsewhere) {
        m_pDocument->Clear();
        m_pDocument->SetValue(strPath);
        return false;
    }
    m_bRestored = false;
    try {
        const bool bLoaded =
            armwright::LoadXmlFile(*m_pDocument, strPath, &m_loadedStamp, &m_loadFailure);
        m_bRead = m_loadFailure != armwright::LoadFailure::Unreadable &&
                  m_loadFailure != armwright::LoadFailure::Changed;
        return bLoaded;
    } catch (const std::bad_alloc&) {
        // A MeInit too large for the memory at hand is one that cannot be opened, through no
        // fault of the file's.
        m_pDocument->Clear();
        m_loadFailure = armwright::LoadFailure::None;
        return false;
    }
}

CString CMeInitFile::GetLoadFailureReason() const {
    return DescribeLoadFailure(m_loadFailure, *m_pDocument);
}

bool CMeInitFile::HasRegistry() const {
    return m_pDocument->FirstChildElement("LockOn_Registry") != nullptr;
}

CString CMeInitFile::DescribeLoadFailure(armwright::LoadFailure failure, const TiXmlDocument& doc) {
    CString strMessage;
    switch (failure) {
        case armwright::LoadFailure::Unreadable:
            strMessage.Format(meinit_messages::kUnreadable, doc.Value());
            break;
        case armwright::LoadFailure::Utf16:
            strMessage.Format(meinit_messages::kUtf16, doc.Value());
            break;
        case armwright::LoadFailure::Malformed:
            strMessage.Format(meinit_messages::kMalformed, doc.Value(), doc.ErrorDesc(),
                              doc.ErrorRow(), doc.ErrorCol());
            break;
        case armwright::LoadFailure::None:
        case armwright::LoadFailure::TooDeep:
        case armwright::LoadFailure::Changed:
            break;
    }
    return strMessage;
}

bool CMeInitFile::LoadInput(TiXmlDocument& input, const char* pszPath) {
    armwright::LoadFailure failure = armwright::LoadFailure::None;
    if (armwright::LoadXmlFile(input, pszPath, nullptr, &failure))
        return true;
    const CString strReason = DescribeLoadFailure(failure, input);
    return strReason.IsEmpty() ? false : ReportError(strReason);
}

bool CMeInitFile::SaveAs(CString strPath, const armwright::BeforeCommit& beforeCommit) {
    // A copy written over the loaded file itself (the backup given as the MeInit, or a link to
    // it) would leave no copy of what the run started from.
    armwright::FileStamp stamp;
    if (armwright::GetFileStamp(strPath, stamp) && stamp.IsSameFile(m_loadedStamp))
        return false;
    return armwright::SaveXmlFile(*m_pDocument, strPath, nullptr, &m_loadedStamp, beforeCommit) ==
           armwright::SaveResult::Saved;
}

armwright::SaveResult CMeInitFile::Save(const armwright::BeforeCommit& beforeCommit) {
    // A MeInit that could not be read (a missing one that /restore puts back) has nothing on
    // disk to compare.
    const armwright::FileStamp* pExpected = m_bRead ? &m_loadedStamp : nullptr;
    if (m_bRestored)
        return armwright::SaveBytesSafely(m_pDocument->Value(), m_strRestored, pExpected,
                                          beforeCommit);
    return armwright::SaveXmlFile(*m_pDocument, m_pDocument->Value(), pExpected, nullptr,
                                  beforeCommit);
}

TiXmlElement* CMeInitFile::FindPlane(CString strName) {
    TiXmlNode* pNode = m_pDocument->FirstChild("LockOn_Registry");
    for (const char* pszStep : {"Units", "Planes", "Plane"}) {
        if (!pNode)
            return nullptr;
        pNode = pNode->FirstChild(pszStep);
    }
    // After the first Plane every following element counts, whatever its tag.
    for (; pNode; pNode = pNode->NextSibling()) {
        TiXmlElement* pElement = pNode->ToElement();
        if (pElement && armwright::GetAttributeText(pElement, "Name") == strName)
            return pElement;
    }
    return nullptr;
}

bool CMeInitFile::ReportError(const CString& strMessage) {
    m_strError = strMessage;
    if (m_bVerbose)
        AfxMessageBox(m_strError, MB_ICONEXCLAMATION);
    return false;
}

bool CMeInitFile::RequireLoadableDepth(const TiXmlNode* pEdited, const char* pszFile) {
    // Inputs and MeInit each load within the limit, but an input put deep into the MeInit can
    // pass it, and a saved MeInit that the next run refuses to open is worse than no edit. Only
    // the part the edit changed can have grown, and walking the whole of a large MeInit after
    // every edit would cost more than the edit.
    int nDepth = armwright::ElementDepth(*pEdited);
    for (const TiXmlNode* pNode = pEdited; pNode; pNode = pNode->Parent()) {
        if (pNode->ToElement())
            ++nDepth;
    }
    if (nDepth <= armwright::kMaxNestingDepth)
        return true;
    CString strMessage;
    strMessage.Format(meinit_messages::kTooDeep, pszFile, armwright::kMaxNestingDepth);
    return ReportError(strMessage);
}

TiXmlNode* CMeInitFile::RequireNode(TiXmlNode* pParent, const char* pszName,
                                    const char* pszSection) {
    TiXmlNode* pNode = pParent->FirstChild(pszName);
    if (!pNode) {
        CString strMessage;
        strMessage.Format(meinit_messages::kNoNode, pszName, pszSection);
        ReportError(strMessage);
    }
    return pNode;
}

TiXmlNode* CMeInitFile::RequireInputNode(TiXmlNode* pInput, const char* pszName) {
    TiXmlNode* pNode = pInput->FirstChild(pszName);
    if (!pNode) {
        // What the file holds instead tells the user which switch it was meant for.
        const TiXmlElement* pFirst = pInput->FirstChildElement();
        CString strMessage;
        strMessage.Format(meinit_messages::kNoInputNode, pszName, pInput->Value(),
                          pFirst ? pFirst->Value() : meinit_messages::kNoElement);
        ReportError(strMessage);
    }
    return pNode;
}

TiXmlNode* CMeInitFile::RequireRegistry() {
    TiXmlNode* pRegistry = m_pDocument->FirstChild("LockOn_Registry");
    if (!pRegistry) {
        ReportError(meinit_messages::kNoRegistry);
    }
    return pRegistry;
}

TiXmlNode* CMeInitFile::RequirePlanes() {
    TiXmlNode* pRegistry = RequireRegistry();
    if (!pRegistry)
        return nullptr;
    TiXmlNode* pUnits = RequireNode(pRegistry, "Units", "LockOn_Registry");
    return pUnits ? RequireNode(pUnits, "Planes", "Units") : nullptr;
}

TiXmlElement* CMeInitFile::RequirePlane(const CString& strName) {
    if (!RequirePlanes())
        return nullptr;
    TiXmlElement* pPlane = FindPlane(strName);
    if (!pPlane) {
        CString strMessage;
        strMessage.Format(meinit_messages::kNoNode, strName.GetString(), "Units");
        ReportError(strMessage);
    }
    return pPlane;
}

bool CMeInitFile::RequireCarried(const TiXmlNode* pInputNode, const TiXmlNode* pPlace) {
    if (armwright::ReadsAsTheSameText(*pInputNode, *pPlace))
        return true;
    const TiXmlDocument* pInput = pInputNode->GetDocument();
    CString strMessage;
    strMessage.Format(meinit_messages::kNotUtf8, pInput ? pInput->Value() : "");
    return ReportError(strMessage);
}

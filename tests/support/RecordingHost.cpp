#include "support/RecordingHost.h"

CRecordingHost::CRecordingHost(std::string strModulePath)
    : m_strModulePath(std::move(strModulePath)), m_pPrevious(armwright::SetHost(this)) {}

CRecordingHost::~CRecordingHost() {
    armwright::SetHost(m_pPrevious);
}

int CRecordingHost::MessageBox(LPCSTR lpszCaption, LPCSTR lpszText, UINT nType, UINT nIDHelp) {
    if (m_onMessageBox)
        m_onMessageBox();
    m_strLastText = lpszText;
    std::string type;
    if (nType == (MB_OK | MB_ICONEXCLAMATION))
        type = "error";
    else if (nType == (MB_OK | MB_ICONINFORMATION))
        type = "information";
    else
        type = "type " + std::to_string(nType);
    if (nIDHelp != 0)
        type += " [help " + std::to_string(nIDHelp) + "]";
    m_strLog += std::string(lpszCaption) + ": " + type + ": " + lpszText + "\n";
    return IDOK;
}

INT_PTR CRecordingHost::DoModal(UINT nIDTemplate) {
    m_strLog += "dialog " + std::to_string(nIDTemplate) + "\n";
    return IDCANCEL;
}

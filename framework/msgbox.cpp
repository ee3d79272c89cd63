#include "framework/msgbox.h"

#include "framework/host.h"
#include "framework/winapp.h"

namespace {
LPCSTR Caption() {
    CWinApp* pApp = AfxGetApp();
    return pApp ? pApp->m_pszAppName : "";
}
}  // namespace

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp) {
    return armwright::GetHost().MessageBox(Caption(), lpszText, nType, nIDHelp);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
    CString strText;
    strText.LoadString(nIDPrompt);
    if (nIDHelp == static_cast<UINT>(-1))
        nIDHelp = nIDPrompt;
    return armwright::GetHost().MessageBox(Caption(), strText, nType, nIDHelp);
}

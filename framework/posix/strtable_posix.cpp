#include "framework/cstring.h"
#include "resource_posix.h"

const AfxDlgTemplate* AfxFindDialogTemplate(unsigned nID) {
    for (std::size_t i = 0; i < g_afxResources.nDialogs; ++i) {
        if (g_afxResources.pDialogs[i].nID == nID)
            return &g_afxResources.pDialogs[i];
    }
    return nullptr;
}

BOOL CString::LoadString(UINT nID) {
    for (std::size_t i = 0; i < g_afxResources.nStrings; ++i) {
        if (g_afxResources.pStrings[i].nID == nID) {
            *this = g_afxResources.pStrings[i].pszText;
            return TRUE;
        }
    }
    *this = "";
    return FALSE;
}

#include "framework/cstring.h"
#include "resource_posix.h"

const armwright::DlgTemplate* armwright::FindDialogTemplate(unsigned nID) {
    for (std::size_t i = 0; i < armwright::g_resources.nDialogs; ++i) {
        if (armwright::g_resources.pDialogs[i].nID == nID)
            return &armwright::g_resources.pDialogs[i];
    }
    return nullptr;
}

BOOL CString::LoadString(UINT nID) {
    for (std::size_t i = 0; i < armwright::g_resources.nStrings; ++i) {
        if (armwright::g_resources.pStrings[i].nID == nID) {
            *this = armwright::g_resources.pStrings[i].pszText;
            return TRUE;
        }
    }
    *this = "";
    return FALSE;
}

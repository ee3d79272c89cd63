#include "framework/cstring.h"
#include "framework/resources.h"

namespace {

const armwright::ResourceTable kNoResources = {nullptr, 0, nullptr, 0};
const armwright::ResourceTable* g_pResources = &kNoResources;

}  // namespace

void armwright::UseResources(const ResourceTable& table) {
    g_pResources = &table;
}

const armwright::DlgTemplate* armwright::FindDialogTemplate(unsigned nID) {
    for (std::size_t i = 0; i < g_pResources->nDialogs; ++i) {
        if (g_pResources->pDialogs[i].nID == nID)
            return &g_pResources->pDialogs[i];
    }
    return nullptr;
}

BOOL CString::LoadString(UINT nID) {
    for (std::size_t i = 0; i < g_pResources->nStrings; ++i) {
        if (g_pResources->pStrings[i].nID == nID) {
            *this = g_pResources->pStrings[i].pszText;
            return TRUE;
        }
    }
    *this = "";
    return FALSE;
}

// The /weapons edit: registry Launchers replaced by the file's, matched by CLSID in their Category.
#include <tinyxml.h>

#include "meinit/MeInitFile.h"
#include "meinit/Messages.h"
#include "xml/XmlFile.h"

namespace {

// From pFirst on, the first element whose CLSID equals strClsid ignoring letter case. A plain
// walk: on registries of a real MeInit's shape an index saved nothing worth its code
// (docs/benchmark.md, the /weapons lookup).
TiXmlElement* FindByClsid(TiXmlNode* pFirst, const CString& strClsid) {
    for (TiXmlNode* pNode = pFirst; pNode; pNode = pNode->NextSibling()) {
        TiXmlElement* pElement = pNode->ToElement();
        if (pElement && armwright::GetAttributeText(pElement, "CLSID").CompareNoCase(strClsid) == 0)
            return pElement;
    }
    return nullptr;
}

// Puts a copy of the entry in place of the launcher of its CLSID in the category of
// strCategoryClsid; false when the entry is no element or either CLSID is not in the registry.
bool ReplaceLauncher(TiXmlNode* pRegistryWeapons, const CString& strCategoryClsid,
                     TiXmlNode* pLauncher) {
    TiXmlElement* pEntry = pLauncher->ToElement();
    if (strCategoryClsid.IsEmpty() || !pEntry)
        return false;
    TiXmlElement* pCategory =
        FindByClsid(pRegistryWeapons->FirstChild("Category"), strCategoryClsid);
    if (!pCategory)
        return false;
    TiXmlElement* pOld = FindByClsid(pCategory->FirstChild("Launcher"),
                                     armwright::GetAttributeText(pEntry, "CLSID"));
    return pOld && pCategory->ReplaceChild(pOld, *pEntry) != nullptr;
}

}  // namespace

bool CMeInitFile::RedefineWeapons(CString strPath) {
    m_bRestored = false;  // the document is no longer the restored bytes
    TiXmlDocument input;
    if (!LoadInput(input, strPath))
        return false;
    return ApplyWeapons(&input);
}

bool CMeInitFile::ApplyWeapons(TiXmlNode* pInput) {
    if (!pInput)
        return false;
    TiXmlNode* pWeapons = RequireInputNode(pInput, "Weapons");
    TiXmlNode* pRegistry = pWeapons ? RequireRegistry() : nullptr;
    TiXmlNode* pRegistryWeapons =
        pRegistry ? RequireNode(pRegistry, "Weapons", "LockOn_Registry") : nullptr;
    if (!pRegistryWeapons)
        return false;

    int nReplaced = 0;
    for (TiXmlNode* pCategory = pWeapons->FirstChild("Category"); pCategory;
         pCategory = pCategory->NextSibling()) {
        TiXmlElement* pCategoryElement = pCategory->ToElement();
        if (!pCategoryElement)
            continue;
        CString strClsid = armwright::GetAttributeText(pCategoryElement, "CLSID");
        // Every node after the first Launcher is an entry: a comment there fails the edit.
        for (TiXmlNode* pLauncher = pCategory->FirstChild("Launcher"); pLauncher;
             pLauncher = pLauncher->NextSibling()) {
            if (pLauncher->ToElement() && !RequireCarried(pLauncher, pRegistryWeapons))
                return false;
            if (!ReplaceLauncher(pRegistryWeapons, strClsid, pLauncher)) {
                return ReportError(meinit_messages::kNoLauncher);
            }
            ++nReplaced;
        }
    }
    if (m_pCheckLines) {
        CString strLine;
        strLine.Format(check_lines::kLaunchers, nReplaced, nReplaced == 1 ? "" : "s");
        m_pCheckLines->push_back(strLine);
    }
    return RequireLoadableDepth(pRegistryWeapons, pInput->Value());
}

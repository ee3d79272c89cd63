// The /weapons edit: registry Launchers replaced by the file's, matched by CLSID in their Category.
#include <tinyxml.h>

#include "meinit/MeInitFile.h"
#include "meinit/XmlFile.h"

namespace {

// From pFirst on, the first element whose CLSID equals strClsid ignoring letter case.
TiXmlElement* FindByClsid(TiXmlNode* pFirst, const CString& strClsid) {
    for (TiXmlNode* pNode = pFirst; pNode; pNode = pNode->NextSibling()) {
        TiXmlElement* pElement = pNode->ToElement();
        if (pElement && GetAttributeText(pElement, "CLSID").CompareNoCase(strClsid) == 0)
            return pElement;
    }
    return nullptr;
}

}  // namespace

bool CMeInitFile::RedefineWeapons(CString strPath) {
    TiXmlDocument input;
    if (!LoadXmlFile(input, strPath))
        return false;
    return ApplyWeapons(&input);
}

bool CMeInitFile::ApplyWeapons(TiXmlNode* pInput) {
    if (!pInput)
        return false;
    TiXmlNode* pWeapons = RequireInputNode(pInput, "Weapons");
    TiXmlNode* pRegistry = pWeapons ? RequireRegistry() : nullptr;
    if (!pRegistry || !RequireNode(pRegistry, "Weapons", "LockOn_Registry"))
        return false;

    for (TiXmlNode* pCategory = pWeapons->FirstChild("Category"); pCategory;
         pCategory = pCategory->NextSibling()) {
        TiXmlElement* pCategoryElement = pCategory->ToElement();
        if (!pCategoryElement)
            continue;
        CString strClsid = GetAttributeText(pCategoryElement, "CLSID");
        // Every node after the first Launcher is an entry: a comment there fails the edit.
        for (TiXmlNode* pLauncher = pCategory->FirstChild("Launcher"); pLauncher;
             pLauncher = pLauncher->NextSibling()) {
            if (!ReplaceLauncher(strClsid, pLauncher)) {
                return ReportError(
                    "Unable to replace specified weapon in your MeInit !\n"
                    "Either the CLSID of the category oe the launcher does not exist !");
            }
        }
    }
    return true;
}

bool CMeInitFile::ReplaceLauncher(CString strCategoryClsid, TiXmlNode* pLauncher) {
    TiXmlElement* pEntry = pLauncher->ToElement();
    if (strCategoryClsid.IsEmpty() || !pEntry)
        return false;
    TiXmlNode* pRegistry = m_pDocument->FirstChild("LockOn_Registry");
    TiXmlNode* pWeapons = pRegistry ? pRegistry->FirstChild("Weapons") : nullptr;
    if (!pWeapons)
        return false;
    TiXmlElement* pCategory = FindByClsid(pWeapons->FirstChild("Category"), strCategoryClsid);
    if (!pCategory)
        return false;
    TiXmlElement* pOld =
        FindByClsid(pCategory->FirstChild("Launcher"), GetAttributeText(pEntry, "CLSID"));
    return pOld && pCategory->ReplaceChild(pOld, *pEntry) != nullptr;
}

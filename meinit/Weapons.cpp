// The /weapons edit: registry Launchers replaced by the file's, matched by CLSID in their Category.
#include <tinyxml.h>

#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>

#include "meinit/MeInitFile.h"
#include "xml/XmlFile.h"

namespace {

// CLSIDs match ignoring letter case; this is the key under which equal ones meet.
std::string ClsidKey(const TiXmlElement* pElement) {
    CString strClsid = GetAttributeText(pElement, "CLSID");
    return strClsid.MakeLower().GetString();
}

// The first element from pFirst on in each CLSID's key.
std::unordered_map<std::string, TiXmlElement*> FirstByClsid(TiXmlNode* pFirst) {
    std::unordered_map<std::string, TiXmlElement*> first;
    for (TiXmlNode* pNode = pFirst; pNode; pNode = pNode->NextSibling()) {
        if (TiXmlElement* pElement = pNode->ToElement())
            first.emplace(ClsidKey(pElement), pElement);
    }
    return first;
}

bool IsLauncher(const TiXmlNode* pNode) {
    return std::strcmp(pNode->Value(), "Launcher") == 0;
}

}  // namespace

// Finds what the walks over the registry would find (the first element in document order with
// the CLSID, from the first child of the walk's name on) without walking it for every entry, so
// that a large file against a large registry takes linear time.
class CMeInitFile::CWeaponIndex {
public:
    explicit CWeaponIndex(TiXmlNode* pWeapons)
        : m_categories(FirstByClsid(pWeapons->FirstChild("Category"))) {}

    TiXmlElement* FindCategory(const CString& strClsid) {
        auto found = m_categories.find(CString(strClsid).MakeLower().GetString());
        return found == m_categories.end() ? nullptr : found->second;
    }

    TiXmlElement* FindLauncher(TiXmlElement* pCategory, const std::string& key) {
        auto indexed = m_launchers.find(pCategory);
        if (indexed == m_launchers.end())
            indexed =
                m_launchers.emplace(pCategory, FirstByClsid(pCategory->FirstChild("Launcher")))
                    .first;
        auto found = indexed->second.find(key);
        return found == indexed->second.end() ? nullptr : found->second;
    }

    // The copy stands where the first launcher with its key stood, so it is now the first. Only
    // a change of tag can move where the walk starts; the category is then indexed anew.
    void Replaced(TiXmlElement* pCategory, const std::string& key, bool bSameStart,
                  TiXmlElement* pCopy) {
        if (bSameStart)
            m_launchers[pCategory][key] = pCopy;
        else
            m_launchers.erase(pCategory);
    }

private:
    std::unordered_map<std::string, TiXmlElement*> m_categories;
    std::unordered_map<TiXmlElement*, std::unordered_map<std::string, TiXmlElement*>> m_launchers;
};

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
    TiXmlNode* pRegistryWeapons =
        pRegistry ? RequireNode(pRegistry, "Weapons", "LockOn_Registry") : nullptr;
    if (!pRegistryWeapons)
        return false;

    CWeaponIndex index(pRegistryWeapons);
    m_pWeaponIndex = &index;
    bool bResult = true;
    for (TiXmlNode* pCategory = pWeapons->FirstChild("Category"); pCategory && bResult;
         pCategory = pCategory->NextSibling()) {
        TiXmlElement* pCategoryElement = pCategory->ToElement();
        if (!pCategoryElement)
            continue;
        CString strClsid = GetAttributeText(pCategoryElement, "CLSID");
        // Every node after the first Launcher is an entry: a comment there fails the edit.
        for (TiXmlNode* pLauncher = pCategory->FirstChild("Launcher"); pLauncher;
             pLauncher = pLauncher->NextSibling()) {
            if (!ReplaceLauncher(strClsid, pLauncher)) {
                bResult = ReportError(
                    "Unable to replace specified weapon in your MeInit !\n"
                    "Either the CLSID of the category oe the launcher does not exist !");
                break;
            }
        }
    }
    m_pWeaponIndex = nullptr;
    return bResult;
}

bool CMeInitFile::ReplaceLauncher(CString strCategoryClsid, TiXmlNode* pLauncher) {
    TiXmlElement* pEntry = pLauncher->ToElement();
    if (strCategoryClsid.IsEmpty() || !pEntry)
        return false;
    TiXmlNode* pRegistry = m_pDocument->FirstChild("LockOn_Registry");
    TiXmlNode* pWeapons = pRegistry ? pRegistry->FirstChild("Weapons") : nullptr;
    if (!pWeapons)
        return false;
    // Called on its own, it looks the registry up afresh.
    std::optional<CWeaponIndex> ownIndex;
    if (!m_pWeaponIndex)
        ownIndex.emplace(pWeapons);
    CWeaponIndex& index = m_pWeaponIndex ? *m_pWeaponIndex : *ownIndex;

    TiXmlElement* pCategory = index.FindCategory(strCategoryClsid);
    if (!pCategory)
        return false;
    const std::string key = ClsidKey(pEntry);
    TiXmlElement* pOld = index.FindLauncher(pCategory, key);
    if (!pOld)
        return false;
    const bool bOldIsLauncher = IsLauncher(pOld);
    TiXmlNode* pCopy = pCategory->ReplaceChild(pOld, *pEntry);
    if (!pCopy)
        return false;
    index.Replaced(pCategory, key, bOldIsLauncher && IsLauncher(pCopy), pCopy->ToElement());
    return true;
}

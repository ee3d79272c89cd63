// The /allow edit: the A-10A's allowed payload (its Pylons) replaced whole by the file's.
#include <tinyxml.h>

#include "meinit/MeInitFile.h"
#include "meinit/Messages.h"
#include "xml/XmlFile.h"

namespace {

// The Pylon elements among the children of pPylons: the aircraft's stations.
int CountPylons(const TiXmlNode* pPylons) {
    int nCount = 0;
    for (const TiXmlElement* pPylon = pPylons->FirstChildElement("Pylon"); pPylon;
         pPylon = pPylon->NextSiblingElement("Pylon"))
        ++nCount;
    return nCount;
}

}  // namespace

bool CMeInitFile::RedefineAllowedPayload(CString strPath) {
    m_bRestored = false;  // the document is no longer the restored bytes
    TiXmlDocument input;
    if (!LoadInput(input, strPath))
        return false;
    return ApplyAllowedPayload(&input);
}

bool CMeInitFile::ApplyAllowedPayload(TiXmlNode* pInput) {
    TiXmlElement* pPlane = RequirePlane(kAircraftName);
    return pPlane && ReplacePylons(pPlane, pInput) && RequireLoadableDepth(pPlane, pInput->Value());
}

bool CMeInitFile::ReplacePylons(TiXmlElement* pPlane, TiXmlNode* pInput) {
    // An input without Pylons fails on its own, even when the aircraft lacks them too.
    TiXmlNode* pNew = RequireInputNode(pInput, "Pylons");
    if (!pNew)
        return false;
    const CString strName = armwright::GetAttributeText(pPlane, "Name");
    TiXmlNode* pOld = RequireNode(pPlane, "Pylons", strName);
    if (!pOld || !RequireCarried(pNew, pPlane))
        return false;
    // Counted now: the replacement frees the old Pylons.
    if (m_pCheckLines) {
        const int nAfter = CountPylons(pNew);
        CString strLine;
        strLine.Format(check_lines::kPylons, strName.GetString(), nAfter, nAfter == 1 ? "" : "s",
                       CountPylons(pOld));
        m_pCheckLines->push_back(strLine);
    }
    return pPlane->ReplaceChild(pOld, *pNew) != nullptr;
}

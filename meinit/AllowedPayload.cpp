// The /allow edit: the A-10A's allowed payload (its Pylons) replaced whole by the file's.
#include <tinyxml.h>

#include "meinit/MeInitFile.h"
#include "xml/XmlFile.h"

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
    TiXmlNode* pOld = RequireNode(pPlane, "Pylons", armwright::GetAttributeText(pPlane, "Name"));
    return pOld && RequireCarried(pNew, pPlane) && pPlane->ReplaceChild(pOld, *pNew) != nullptr;
}

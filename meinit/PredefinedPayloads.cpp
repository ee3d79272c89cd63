// The /addpredif edit: the file's Payloads appended under fresh IDs, its Tasks merged.
#include <tinyxml.h>

#include <climits>

#include "meinit/MeInitFile.h"
#include "meinit/Messages.h"
#include "xml/XmlFile.h"

namespace {

// The elements from pFirst on, as the edit walks its lists.
int CountElements(TiXmlNode* pFirst) {
    int nCount = 0;
    for (TiXmlNode* pNode = pFirst; pNode; pNode = pNode->NextSibling()) {
        if (pNode->ToElement())
            ++nCount;
    }
    return nCount;
}

}  // namespace

bool CMeInitFile::AddPredefinedPayloads(CString strName, CString strPath) {
    m_bRestored = false;  // the document is no longer the restored bytes
    TiXmlElement* pPlane = RequirePlane(strName);
    return pPlane && InsertPredefinedPayloads(pPlane, strPath) &&
           RequireLoadableDepth(pPlane, strPath);
}

bool CMeInitFile::InsertPredefinedPayloads(TiXmlNode* pPlane, CString strPath) {
    const CString strName = armwright::GetAttributeText(pPlane->ToElement(), "Name");
    TiXmlNode* pPayloads = RequireNode(pPlane, "Payloads", strName);
    if (!pPayloads || !RequireNode(pPlane, "Tasks", strName))
        return false;

    int nHighestID = 0;
    for (TiXmlNode* pNode = pPayloads->FirstChild("Payload"); pNode; pNode = pNode->NextSibling()) {
        TiXmlElement* pPayload = pNode->ToElement();
        int nID = 0;
        if (pPayload && pPayload->QueryIntAttribute("ID", &nID) == TIXML_SUCCESS &&
            nID > nHighestID)
            nHighestID = nID;
    }

    TiXmlDocument input;
    if (!LoadInput(input, strPath))
        return false;
    TiXmlNode* pNewPayloads = RequireInputNode(&input, "Payloads");
    TiXmlNode* pNewTasks = pNewPayloads ? RequireInputNode(&input, "Tasks") : nullptr;
    if (!pNewTasks)
        return false;
    TiXmlNode* pFirstPayload = pNewPayloads->FirstChild("Payload");
    if (CountElements(pFirstPayload) > INT_MAX - nHighestID) {
        return ReportError(meinit_messages::kPayloadIDOverflow);
    }

    int nID = nHighestID;
    for (TiXmlNode* pNode = pFirstPayload; pNode; pNode = pNode->NextSibling()) {
        TiXmlElement* pPayload = pNode->ToElement();
        if (!pPayload)
            continue;
        if (!RequireCarried(pPayload, pPayloads))
            return false;
        pPayload->SetAttribute("ID", ++nID);
        pPayloads->InsertEndChild(*pPayload);
    }

    for (TiXmlNode* pNode = pNewTasks->FirstChild("Task"); pNode; pNode = pNode->NextSibling()) {
        TiXmlElement* pEntry = pNode->ToElement();
        if (!pEntry)
            continue;
        int nWorldID = 0;
        if (pEntry->QueryIntAttribute("WorldID", &nWorldID) != TIXML_SUCCESS) {
            return ReportError(meinit_messages::kNoWorldID);
        }
        TiXmlNode* pTask = FindTask(pPlane, nWorldID);
        if (!pTask) {
            TiXmlNode* pTasks = pPlane->FirstChild("Tasks");
            if (!RequireCarried(pEntry, pTasks))
                return false;
            pTasks->InsertEndChild(*pEntry);
            continue;
        }
        // The insertion point is fixed before the merge, so the entries keep their file order;
        // an empty Task has none, and takes them at its end.
        TiXmlNode* pInsertBefore = pTask->FirstChild();
        for (TiXmlNode* pChild = pEntry->FirstChild(); pChild; pChild = pChild->NextSibling()) {
            if (!RequireCarried(pChild, pTask))
                return false;
            if (pInsertBefore)
                pTask->InsertBeforeChild(pInsertBefore, *pChild);
            else
                pTask->InsertEndChild(*pChild);
        }
    }
    return true;
}

TiXmlNode* CMeInitFile::FindTask(TiXmlNode* pPlane, int nWorldID) {
    TiXmlNode* pTasks = pPlane->FirstChild("Tasks");
    for (TiXmlNode* pNode = pTasks ? pTasks->FirstChild("Task") : nullptr; pNode;
         pNode = pNode->NextSibling()) {
        TiXmlElement* pTask = pNode->ToElement();
        int nValue = 0;
        if (pTask && pTask->QueryIntAttribute("WorldID", &nValue) == TIXML_SUCCESS &&
            nValue == nWorldID)
            return pTask;
    }
    return nullptr;
}

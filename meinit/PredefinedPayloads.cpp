// The /addpredif edit: the file's Payloads appended under fresh IDs, its Tasks merged.
#include <tinyxml.h>

#include <climits>
#include <map>
#include <set>
#include <string>

#include "meinit/MeInitFile.h"
#include "meinit/Messages.h"
#include "xml/XmlFile.h"
#include "xml/XmlPrinter.h"

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

// The payload as printed without its ID: equal for a payload that a file applied twice added
// again under the next ID.
std::string PrintedWithoutId(const TiXmlElement& payload) {
    TiXmlElement copy(payload);
    copy.RemoveAttribute("ID");
    return armwright::PrintXmlNode(copy, true);
}

// To `lines`: each element of pPayloads after pLastOld (nullptr: every one), which the edit
// added, with a warning where one that was there before equals it but for its ID.
void DescribeAddedPayloads(std::vector<CString>& lines, const TiXmlNode* pPayloads,
                           const TiXmlNode* pLastOld) {
    const TiXmlNode* pFirstNew = pLastOld ? pLastOld->NextSibling() : pPayloads->FirstChild();
    std::map<std::string, CString> oldIDs;  // the first payload of each printed form
    for (const TiXmlNode* pNode = pPayloads->FirstChild(); pNode != pFirstNew;
         pNode = pNode->NextSibling()) {
        if (const TiXmlElement* pOld = pNode->ToElement())
            oldIDs.emplace(PrintedWithoutId(*pOld), armwright::GetAttributeText(pOld, "ID"));
    }
    const size_t nFirstLine = lines.size();
    for (const TiXmlNode* pNode = pFirstNew; pNode; pNode = pNode->NextSibling()) {
        const TiXmlElement* pPayload = pNode->ToElement();
        if (!pPayload)
            continue;
        const CString strID = armwright::GetAttributeText(pPayload, "ID");
        const char* pszName = pPayload->Attribute("Name");
        CString strLine;
        if (pszName)
            strLine.Format(check_lines::kPayload, strID.GetString(), pszName);
        else
            strLine.Format(check_lines::kUnnamedPayload, strID.GetString());
        lines.push_back(strLine);
        const auto old = oldIDs.find(PrintedWithoutId(*pPayload));
        if (old != oldIDs.end()) {
            strLine.Format(check_lines::kAppliedAlready, strID.GetString(),
                           old->second.GetString());
            lines.push_back(strLine);
        }
    }
    if (lines.size() == nFirstLine)
        lines.push_back(check_lines::kNoPayload);
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

    // Where the document stood before, for a check to tell what the edit added.
    const TiXmlNode* pLastOldPayload = m_pCheckLines ? pPayloads->LastChild() : nullptr;
    const TiXmlNode* pLastOldTask =
        m_pCheckLines ? pPlane->FirstChild("Tasks")->LastChild() : nullptr;
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
    if (m_pCheckLines) {
        DescribeAddedPayloads(*m_pCheckLines, pPayloads, pLastOldPayload);
        DescribeTaskEntries(pPlane, pLastOldTask, pNewTasks);
    }
    return true;
}

void CMeInitFile::DescribeTaskEntries(TiXmlNode* pPlane, const TiXmlNode* pLastOldTask,
                                      TiXmlNode* pNewTasks) {
    std::set<int> payloadIDs;
    for (const TiXmlElement* pPayload = pPlane->FirstChild("Payloads")->FirstChildElement();
         pPayload; pPayload = pPayload->NextSiblingElement()) {
        int nID = 0;
        if (pPayload->QueryIntAttribute("ID", &nID) == TIXML_SUCCESS)
            payloadIDs.insert(nID);
    }
    const TiXmlNode* pTasks = pPlane->FirstChild("Tasks");
    std::set<const TiXmlNode*> newTasks;
    for (const TiXmlNode* pNode = pLastOldTask ? pLastOldTask->NextSibling() : pTasks->FirstChild();
         pNode; pNode = pNode->NextSibling())
        newTasks.insert(pNode);

    const CString strPlane = armwright::GetAttributeText(pPlane->ToElement(), "Name");
    CString strWorldIDs, strLine;
    std::set<int> listed;
    std::vector<CString> warnings;
    // The entries as the merge took them: every element from the first Task on.
    for (TiXmlNode* pNode = pNewTasks->FirstChild("Task"); pNode; pNode = pNode->NextSibling()) {
        const TiXmlElement* pEntry = pNode->ToElement();
        if (!pEntry)
            continue;
        int nWorldID = 0;
        pEntry->QueryIntAttribute("WorldID", &nWorldID);
        const bool bNew = newTasks.count(FindTask(pPlane, nWorldID)) != 0;
        // An empty entry adds nothing to a task that was there.
        if ((bNew || pEntry->FirstChild()) && listed.insert(nWorldID).second) {
            strLine.Format("%s%d%s", strWorldIDs.IsEmpty() ? "" : ", ", nWorldID,
                           bNew ? check_lines::kNewTask : "");
            strWorldIDs += strLine;
        }
        for (const TiXmlElement* pRef = pEntry->FirstChildElement("PayloadRef"); pRef;
             pRef = pRef->NextSiblingElement("PayloadRef")) {
            int nID = 0;
            if (pRef->QueryIntAttribute("ID", &nID) != TIXML_SUCCESS || !payloadIDs.count(nID)) {
                strLine.Format(check_lines::kUnknownPayloadRef,
                               armwright::GetAttributeText(pRef, "ID").GetString(), nWorldID,
                               strPlane.GetString());
                warnings.push_back(strLine);
            }
        }
    }
    if (strWorldIDs.IsEmpty()) {
        m_pCheckLines->push_back(check_lines::kNoTask);
    } else {
        strLine.Format(check_lines::kTasks, strWorldIDs.GetString());
        m_pCheckLines->push_back(strLine);
    }
    m_pCheckLines->insert(m_pCheckLines->end(), warnings.begin(), warnings.end());
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

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "framework/host.h"
#include "framework/path.h"
#include "framework/resources.h"
#include "io_posix.h"

namespace {

// A record goes out whole in one write where it can; a closed standard error loses it.
void WriteRecord(const std::string& strRecord) {
    armwright::WriteAll(STDERR_FILENO, strRecord.data(), strRecord.size());
}

// Shows the windows as text records on standard error, one write per window.
class CPosixHost : public armwright::CHost {
public:
    int MessageBox(LPCSTR lpszCaption, LPCSTR lpszText, UINT nType, UINT) override {
        const bool bInformation = (nType & 0xF0) == MB_ICONINFORMATION;
        WriteRecord(std::string(lpszCaption) + (bInformation ? ": information: " : ": error: ") +
                    lpszText + "\n");
        return IDOK;
    }

    // The caption, then each row of static texts (same y) from top to bottom, left to right.
    INT_PTR DoModal(UINT nIDTemplate) override {
        const armwright::DlgTemplate* pTemplate = armwright::FindDialogTemplate(nIDTemplate);
        if (!pTemplate)
            return -1;
        std::map<int, std::vector<const armwright::DlgItem*>> rows;
        for (size_t i = 0; i < pTemplate->nItems; ++i) {
            if (pTemplate->pItems[i].kind == armwright::DLGITEM_TEXT)
                rows[pTemplate->pItems[i].y].push_back(&pTemplate->pItems[i]);
        }
        std::string strRecord = std::string(pTemplate->pszCaption) + "\n";
        for (auto& row : rows) {
            std::stable_sort(row.second.begin(), row.second.end(),
                             [](const armwright::DlgItem* a, const armwright::DlgItem* b) {
                                 return a->x < b->x;
                             });
            for (size_t i = 0; i < row.second.size(); ++i)
                strRecord += (i ? " " : "") + std::string(row.second[i]->pszText);
            strRecord += "\n";
        }
        WriteRecord(strRecord);
        return IDCANCEL;
    }

    CString GetModuleFileName() override {
        std::vector<char> buffer(4096);
        for (;;) {
            ssize_t nLength = readlink("/proc/self/exe", buffer.data(), buffer.size());
            if (nLength < 0)
                return CString();
            const size_t nRead = static_cast<size_t>(nLength);
            if (nRead < buffer.size())
                return armwright::ProgramPath(std::string(buffer.data(), nRead)).c_str();
            buffer.resize(buffer.size() * 2);
        }
    }
};

}  // namespace

armwright::CHost& armwright::GetSystemHost() {
    static CPosixHost host;
    return host;
}

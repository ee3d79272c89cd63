#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "framework/host.h"
#include "framework/path.h"
#include "framework/resources.h"

namespace {

// Standard error has no buffer: a record goes out whole in one write where it can, and a closed
// one loses it.
void WriteRecord(const std::string& strRecord) {
    std::fwrite(strRecord.data(), 1, strRecord.size(), stderr);
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
        // By y, then x; texts at one place keep the template's order.
        std::map<int, std::multimap<int, const char*>> rows;
        for (size_t i = 0; i < pTemplate->nItems; ++i) {
            const armwright::DlgItem& item = pTemplate->pItems[i];
            if (item.kind == armwright::DLGITEM_TEXT)
                rows[item.y].emplace(item.x, item.pszText);
        }
        std::string strRecord = std::string(pTemplate->pszCaption) + "\n";
        for (const auto& row : rows) {
            const char* pszSeparator = "";
            for (const auto& text : row.second) {
                (strRecord += pszSeparator) += text.second;
                pszSeparator = " ";
            }
            strRecord += "\n";
        }
        WriteRecord(strRecord);
        return IDCANCEL;
    }

    CString GetModuleFileName() override {
        std::error_code error;
        const std::string strPath = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? CString() : CString(armwright::ProgramPath(strPath).c_str());
    }
};

}  // namespace

armwright::CHost& armwright::GetSystemHost() {
    static CPosixHost host;
    return host;
}

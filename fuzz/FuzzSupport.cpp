#include "FuzzSupport.h"

#include <tinyxml.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "framework/host.h"
#include "meinit/MeInitFile.h"
#include "path_posix.h"
#include "xml/XmlFile.h"

namespace {

class CSilentHost : public armwright::CHost {
public:
    int MessageBox(LPCSTR, LPCSTR, UINT, UINT) override { return IDOK; }
    INT_PTR DoModal(UINT) override { return IDCANCEL; }
    CString GetModuleFileName() override { return (ScratchFolder() + "Armwright.exe").c_str(); }
};

std::string PosixFolder() {
    static std::string folder = [] {
        // Memory-backed when it can be: every run syncs the files it writes.
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/armwright-fuzz-XXXXXX"
                                                            : "/tmp/armwright-fuzz-XXXXXX";
        if (!mkdtemp(&pattern[0]))
            std::abort();
        return pattern + "/";
    }();
    return folder;
}

}  // namespace

void UseSilentHost() {
    static CSilentHost host;
    armwright::SetHost(&host);
}

const std::string& Example(const char* pszName) {
    static std::map<std::string, std::string> examples;
    std::string& content = examples[pszName];
    if (content.empty()) {
        std::ifstream in(std::string(ARMWRIGHT_EXAMPLES) + "/" + pszName, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        content = text.str();
    }
    return content;
}

const std::string& ScratchFolder() {
    static std::string folder = armwright::WindowsPathFromPosix(PosixFolder());
    return folder;
}

std::string WriteScratch(const char* pszName, const uint8_t* data, size_t size) {
    std::ofstream out(PosixFolder() + pszName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return ScratchFolder() + pszName;
}

void RunEditOnExample(const uint8_t* data, size_t size,
                      void (*edit)(CMeInitFile& file, TiXmlDocument& input)) {
    UseSilentHost();
    CMeInitFile file;
    file.m_bVerbose = true;
    ParseXmlText(*file.m_pDocument, Example("MeInit.xml"));
    TiXmlDocument input;
    if (ParseXmlText(input, std::string(reinterpret_cast<const char*>(data), size)))
        edit(file, input);
}

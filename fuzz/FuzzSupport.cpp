#include "FuzzSupport.h"

#include <tinyxml.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "framework/host.h"
#include "framework/path.h"
#include "meinit/MeInitFile.h"
#include "xml/XmlFile.h"
#include "xml/XmlPrinter.h"

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
    static std::string folder = armwright::ProgramPath(PosixFolder());
    return folder;
}

std::string WriteScratch(const char* pszName, const uint8_t* data, size_t size) {
    std::ofstream out(PosixFolder() + pszName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return ScratchFolder() + pszName;
}

bool ReadScratch(const char* pszName, std::string& content) {
    std::ifstream in(PosixFolder() + pszName, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    content = text.str();
    return true;
}

void RemoveScratch(const char* pszName) {
    unlink((PosixFolder() + pszName).c_str());
}

void AssertReadsBack(const TiXmlDocument& doc) {
    const std::string text =
        armwright::PrintXmlDocument(doc, armwright::BeganWithByteOrderMark(doc));
    TiXmlDocument again;
    if (!armwright::ParseXmlText(again, text) ||
        armwright::PrintXmlDocument(again, armwright::BeganWithByteOrderMark(again)) != text)
        std::abort();
}

void LoadExampleMeInit(CMeInitFile& file, size_t nWay) {
    static const std::array<std::string, 4> ways = [] {
        const std::string& text = Example("MeInit.xml");
        const std::string body = text.substr(text.find('\n') + 1);
        return std::array<std::string, 4>{
            text, "\xEF\xBB\xBF" + body,
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\n" + body, body};
    }();
    if (!armwright::ParseXmlText(*file.m_pDocument, ways[nWay % 4]))
        std::abort();
}

void RunEditOnExample(const uint8_t* data, size_t size,
                      bool (*edit)(CMeInitFile& file, TiXmlDocument& input)) {
    UseSilentHost();
    CMeInitFile file;
    file.m_bVerbose = true;
    LoadExampleMeInit(file, size);
    TiXmlDocument input;
    if (armwright::ParseXmlText(input, std::string(reinterpret_cast<const char*>(data), size)) &&
        edit(file, input))
        AssertReadsBack(*file.m_pDocument);
}

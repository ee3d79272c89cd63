// The whole run on a fuzzed command line, over a scratch folder holding the example files; every
// file the run writes must load again as what it holds.
#include <tinyxml.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "app/MeInitEditApp.h"
#include "xml/XmlFile.h"
#include "xml/XmlPrinter.h"

namespace {

const char* const kExamples[] = {"MeInit.xml", "Filename1.xml", "Filename2.xml", "Filename3.xml"};
const char kBackup[] = "Meinit backup before Payload Vanmoor.xml";

void ResetFolder() {
    for (const char* name : kExamples) {
        const std::string& content = Example(name);
        WriteScratch(name, reinterpret_cast<const uint8_t*>(content.data()), content.size());
    }
    RemoveScratch(kBackup);
}

// Aborts unless the file, when the run wrote it (it no longer holds `original`), loads again and
// prints as it is.
void AssertWrittenFileReadsBack(const char* pszName, const std::string& original) {
    std::string text;
    if (!ReadScratch(pszName, text) || text == original)
        return;
    TiXmlDocument doc;
    if (!armwright::ParseXmlText(doc, text) ||
        armwright::PrintXmlDocument(doc, armwright::BeganWithByteOrderMark(doc)) != text)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    line = line.c_str();  // the command line ends at its first zero
    // Paths of their own or climbing out of the folder would let the fuzzer write anywhere.
    if (line.find(":\\") != std::string::npos || line.find("..") != std::string::npos)
        return 0;
    UseSilentHost();
    ResetFolder();
    CMeInitEditApp app;
    armwright::RunApplication(app, line.c_str());
    for (const char* name : kExamples)
        AssertWrittenFileReadsBack(name, Example(name));
    AssertWrittenFileReadsBack(kBackup, "");
    return 0;
}

// The /addpredif edit with the example MeInit and a fuzzed input file.
#include "FuzzSupport.h"
#include "meinit/MeInitFile.h"
#include "xml/XmlFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UseSilentHost();
    CMeInitFile file;
    file.m_bVerbose = true;
    ParseXmlText(*file.m_pDocument, Example("MeInit.xml"));
    file.AddPredefinedPayloads("A-10A", WriteScratch("Filename2.xml", data, size).c_str());
    return 0;
}

// The /allow edit with the example MeInit and a fuzzed input file.
#include <tinyxml.h>

#include "FuzzSupport.h"
#include "meinit/MeInitFile.h"
#include "meinit/XmlFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UseSilentHost();
    CMeInitFile file;
    file.m_bVerbose = true;
    ParseXmlText(*file.m_pDocument, Example("MeInit.xml"));
    TiXmlDocument input;
    if (ParseXmlText(input, std::string(reinterpret_cast<const char*>(data), size)))
        file.ApplyAllowedPayload(&input);
    return 0;
}

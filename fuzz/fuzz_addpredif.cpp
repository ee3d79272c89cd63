// The /addpredif edit with the example MeInit and a fuzzed input file; a merge that succeeds
// leaves a MeInit that reads back.
#include "FuzzSupport.h"
#include "meinit/MeInitFile.h"
#include "xml/XmlFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UseSilentHost();
    CMeInitFile file;
    file.m_bVerbose = true;
    LoadExampleMeInit(file, size);
    if (file.AddPredefinedPayloads("A-10A", WriteScratch("Filename2.xml", data, size).c_str()))
        AssertReadsBack(*file.m_pDocument);
    return 0;
}

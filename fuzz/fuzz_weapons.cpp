// The /weapons edit with the example MeInit and a fuzzed input file.
#include <tinyxml.h>

#include "FuzzSupport.h"
#include "meinit/MeInitFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RunEditOnExample(data, size, [](CMeInitFile& file, TiXmlDocument& input) {
        return file.ApplyWeapons(&input);
    });
    return 0;
}

// The whole run on a fuzzed command line, over a scratch folder holding the example files.
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "app/MeInitEditApp.h"

namespace {

void ResetFolder() {
    for (const char* name : {"MeInit.xml", "Filename1.xml", "Filename2.xml", "Filename3.xml"}) {
        const std::string& content = Example(name);
        WriteScratch(name, reinterpret_cast<const uint8_t*>(content.data()), content.size());
    }
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
    return 0;
}

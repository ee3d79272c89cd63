// A MeInit as the program reads it, printed as it would be saved, and looked up. The depth scan
// that guards the parser must never see less nesting than the parser built, and our printer must
// write what the library's does.
#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "meinit/MeInitFile.h"
#include "support/XmlShapes.h"
#include "xml/NestingDepth.h"
#include "xml/XmlFile.h"
#include "xml/XmlPrinter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UseSilentHost();
    std::string text(reinterpret_cast<const char*>(data), size);
    CMeInitFile file;
    bool bLoaded = ParseXmlText(*file.m_pDocument, text);

    // Without CR or zero bytes the text reaches the parser as it is.
    if (text.find_first_of(std::string("\r\0", 2)) == std::string::npos) {
        int nScanned = ParserNestingDepth((text + std::string(8, '\0')).c_str(), 1000);
        if (nScanned <= 1000 && ElementTreeDepth(*file.m_pDocument) > nScanned)
            std::abort();
    }
    if (!bLoaded)
        return 0;
    // Our printer writes what the library's SaveFile writes, to the byte.
    const bool bByteOrderMark = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    const TiXmlDocument& doc = *file.m_pDocument;
    if (Captured([&](FILE* fp) { PrintXmlDocument(doc, bByteOrderMark, fp); }) !=
        Captured([&](FILE* fp) { doc.SaveFile(fp); }))
        std::abort();
    file.FindPlane("A-10A");
    return 0;
}

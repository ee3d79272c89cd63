// A MeInit as the program reads it, printed as it would be saved, and looked up. The depth scan
// that guards the parser must never see less nesting than the parser built; what the printer
// writes must load again as the same document, and be what the library writes wherever the
// library's own bytes do that.
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
    bool bLoaded = armwright::ParseXmlText(*file.m_pDocument, text);

    // Without CR or zero bytes the text reaches the parser as it is. Up to twice the limit the
    // parser may run unguarded, so that a scan seeing more nesting than a sound parse builds
    // (refusing a document it should load) shows too; the measure the edits use must agree.
    if (text.find_first_of(std::string("\r\0", 2)) == std::string::npos) {
        const std::string padded = text + std::string(8, '\0');
        const int nScanned =
            armwright::ParserNestingDepth(padded.c_str(), 2 * armwright::kMaxNestingDepth);
        if (nScanned <= 2 * armwright::kMaxNestingDepth) {
            TiXmlDocument parsed;
            parsed.Parse(padded.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
            const int nBuilt = ElementTreeDepth(parsed);
            if (nBuilt > nScanned || (!parsed.Error() && nBuilt != nScanned) ||
                armwright::ElementDepth(parsed) != nBuilt)
                std::abort();
        }
    }
    if (!bLoaded)
        return 0;
    const TiXmlDocument& doc = *file.m_pDocument;
    AssertReadsBack(doc);
    // Wherever the library's own bytes load again as the same document, ours are those bytes.
    const std::string ours =
        armwright::PrintXmlDocument(doc, armwright::BeganWithByteOrderMark(doc));
    const std::string library = Captured([&](FILE* fp) { doc.SaveFile(fp); });
    TiXmlDocument again;
    if (ours != library && armwright::ParseXmlText(again, library) &&
        armwright::PrintXmlDocument(again, armwright::BeganWithByteOrderMark(again)) == ours)
        std::abort();
    file.FindPlane("A-10A");
    return 0;
}

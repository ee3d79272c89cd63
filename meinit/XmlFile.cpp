#include "meinit/XmlFile.h"

#include <tinyxml.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "framework/file.h"
#include "meinit/NestingDepth.h"

namespace {

// Longer than any character the parser can step over (a UTF-8 lead byte counts up to four).
const size_t kTerminatorPadding = 8;

// The library recurses once per level when it parses, copies, prints and frees a document, and
// prints in time quadratic in the depth. Real files are a handful of levels deep; a thousand
// stays far inside the smallest stack we run on (2 MiB on Windows, about 5,900 levels).
const int kMaxNestingDepth = 1000;

// Line ends as LoadFile leaves them: CR LF and a lone CR become LF; the text ends at the first
// zero byte, as it does for the library.
void NormalizeLineEnds(std::string& data) {
    size_t nEnd = data.find('\0');
    if (nEnd != std::string::npos)
        data.resize(nEnd);
    size_t q = 0;
    for (size_t p = 0; p < data.size(); ++p) {
        if (data[p] == '\r') {
            data[q++] = '\n';
            if (p + 1 < data.size() && data[p + 1] == '\n')
                ++p;
        } else {
            data[q++] = data[p];
        }
    }
    data.resize(q);
}

}  // namespace

bool LoadXmlFile(TiXmlDocument& doc, const char* pszPath) {
    doc.Clear();
    doc.ClearError();
    doc.SetValue(pszPath);
    std::string data;
    return AfxReadFile(pszPath, data) && ParseXmlText(doc, std::move(data));
}

bool ParseXmlText(TiXmlDocument& doc, std::string data) {
    if (data.empty())
        return false;
    NormalizeLineEnds(data);
    // The parser steps over a whole multi-byte character by its lead byte, so a file that ends
    // inside one would have it read past the terminator; zeros behind the text stop it. The
    // buffer is sized exactly, so that a sanitiser would see any read beyond them.
    std::vector<char> buffer(data.size() + kTerminatorPadding, '\0');
    std::copy(data.begin(), data.end(), buffer.begin());
    if (ParserNestingDepth(buffer.data(), kMaxNestingDepth) > kMaxNestingDepth)
        return false;
    doc.Parse(buffer.data(), nullptr, TIXML_DEFAULT_ENCODING);
    return !doc.Error();
}

bool SaveXmlFile(const TiXmlDocument& doc, const char* pszPath) {
    return AfxReplaceFile(pszPath, [&doc](FILE* fp) { return doc.SaveFile(fp); });
}

CString GetAttributeText(const TiXmlElement* pElement, const char* pszName) {
    const char* pszValue = pElement->Attribute(pszName);
    return pszValue ? pszValue : "";
}

#include "meinit/XmlFile.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "framework/file.h"
#include "meinit/NestingDepth.h"
#include "meinit/XmlPrinter.h"

namespace {

// Longer than any character the parser can step over (a UTF-8 lead byte counts up to four).
const size_t kTerminatorPadding = 8;

// The library recurses once per level when it parses, copies, prints and frees a document, and
// prints in time quadratic in the depth. Real files are a handful of levels deep; a thousand
// stays far inside the smallest stack we run on (2 MiB on Windows, about 5,900 levels).
const int kMaxNestingDepth = 1000;

// The library keeps to itself whether a document began with a byte-order mark, which it writes
// back; we note it in the document's user data when we parse, which copies carry along.
char g_byteOrderMark;

// Text as LoadFile hands it to the parser, in a buffer of its own: it ends at the first zero
// byte, CR LF and a lone CR become LF, and the padding follows. The buffer is sized exactly, so
// that a sanitiser would see any read beyond the padding.
std::vector<char> ParserBuffer(const std::string& data) {
    size_t nLength = std::min(data.size(), std::strlen(data.c_str()));
    std::vector<char> buffer(nLength + kTerminatorPadding, '\0');
    const char* p = data.data();
    const char* pEnd = p + nLength;
    char* q = buffer.data();
    while (p < pEnd) {
        const char* pCr =
            static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(pEnd - p)));
        const char* pStop = pCr ? pCr : pEnd;
        std::memcpy(q, p, static_cast<size_t>(pStop - p));
        q += pStop - p;
        p = pStop;
        if (pCr) {
            *q++ = '\n';
            p += (p + 1 < pEnd && p[1] == '\n') ? 2 : 1;
        }
    }
    buffer.resize(static_cast<size_t>(q - buffer.data()) + kTerminatorPadding);
    return buffer;
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
    const bool bByteOrderMark = data.compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::vector<char> buffer = ParserBuffer(data);
    data = std::string();  // the parser's copy is all that is needed from here on
    if (buffer.size() == kTerminatorPadding)
        return false;
    // The parser steps over a whole multi-byte character by its lead byte, so a file that ends
    // inside one would have it read past the terminator; the padding stops it.
    if (ParserNestingDepth(buffer.data(), kMaxNestingDepth) > kMaxNestingDepth)
        return false;
    doc.Parse(buffer.data(), nullptr, TIXML_DEFAULT_ENCODING);
    doc.SetUserData(bByteOrderMark ? &g_byteOrderMark : nullptr);
    return !doc.Error();
}

bool SaveXmlFile(const TiXmlDocument& doc, const char* pszPath) {
    const bool bByteOrderMark = doc.GetUserData() == &g_byteOrderMark;
    return AfxReplaceFile(pszPath, [&doc, bByteOrderMark](FILE* fp) {
        return PrintXmlDocument(doc, bByteOrderMark, fp);
    });
}

CString GetAttributeText(const TiXmlElement* pElement, const char* pszName) {
    const char* pszValue = pElement->Attribute(pszName);
    return pszValue ? pszValue : "";
}

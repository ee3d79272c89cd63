#include "xml/XmlFile.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "framework/file.h"
#include "xml/NestingDepth.h"
#include "xml/XmlPrinter.h"

namespace {

// Longer than any character the parser can step over (a UTF-8 lead byte counts up to four).
const size_t kTerminatorPadding = 8;

// The library keeps to itself whether a document began with a byte-order mark, which it writes
// back; we note it in the document's user data when we parse, which copies carry along.
char g_byteOrderMark;

// Makes file content, followed by its padding, what LoadFile hands the parser: the text ends at
// its first zero byte, and CR LF and a lone CR become LF. Everything after it is zero.
void NormalizeForParser(std::vector<char>& buffer) {
    char* const pBegin = buffer.data();
    const char* p = pBegin;
    const char* const pEnd = p + std::strlen(pBegin);  // the padding ends it at the latest
    char* q = pBegin;
    while (p < pEnd) {
        const char* pCr =
            static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(pEnd - p)));
        const char* pStop = pCr ? pCr : pEnd;
        std::memmove(q, p, static_cast<size_t>(pStop - p));
        q += pStop - p;
        p = pStop;
        if (pCr) {
            *q++ = '\n';
            p += (p + 1 < pEnd && p[1] == '\n') ? 2 : 1;
        }
    }
    std::fill(q, pBegin + buffer.size(), '\0');
}

// Parses a buffer of file content followed by its padding.
bool ParseBuffer(TiXmlDocument& doc, std::vector<char>& buffer) {
    const bool bByteOrderMark = buffer.size() >= 3 + kTerminatorPadding &&
                                std::memcmp(buffer.data(), "\xEF\xBB\xBF", 3) == 0;
    NormalizeForParser(buffer);
    if (!buffer[0])
        return false;
    // The parser steps over a whole multi-byte character by its lead byte, so a file that ends
    // inside one would have it read past the terminator; the padding stops it, and the buffer
    // is sized exactly, so that a sanitiser would see any read beyond.
    if (ParserNestingDepth(buffer.data(), kMaxNestingDepth) > kMaxNestingDepth)
        return false;
    doc.Parse(buffer.data(), nullptr, TIXML_DEFAULT_ENCODING);
    doc.SetUserData(bByteOrderMark ? &g_byteOrderMark : nullptr);
    return !doc.Error();
}

}  // namespace

bool LoadXmlFile(TiXmlDocument& doc, const char* pszPath, armwright::FileStamp* pStamp) {
    doc.Clear();
    doc.ClearError();
    doc.SetValue(pszPath);
    std::vector<char> buffer;
    return armwright::ReadWholeFile(pszPath, buffer, kTerminatorPadding, pStamp) &&
           ParseBuffer(doc, buffer);
}

bool ParseXmlText(TiXmlDocument& doc, const std::string& text) {
    std::vector<char> buffer(text.size() + kTerminatorPadding, '\0');
    std::copy(text.begin(), text.end(), buffer.begin());
    return ParseBuffer(doc, buffer);
}

armwright::SaveResult SaveXmlFile(const TiXmlDocument& doc, const char* pszPath,
                                  const armwright::FileStamp* pExpected,
                                  const armwright::FileStamp* pNewLike) {
    const bool bByteOrderMark = doc.GetUserData() == &g_byteOrderMark;
    return armwright::SaveFileSafely(
        pszPath,
        [&doc, bByteOrderMark](FILE* fp) { return PrintXmlDocument(doc, bByteOrderMark, fp); },
        pExpected, pNewLike);
}

CString GetAttributeText(const TiXmlElement* pElement, const char* pszName) {
    const char* pszValue = pElement->Attribute(pszName);
    return pszValue ? pszValue : "";
}

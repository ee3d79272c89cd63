#include "xml/XmlFile.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "framework/file.h"
#include "framework/memory.h"
#include "xml/LibraryText.h"
#include "xml/NestingDepth.h"
#include "xml/XmlPrinter.h"

namespace armwright {
namespace {

// The zeros that follow file content in every buffer we parse. The parser, and the depth scan
// that follows it, step over a whole multi-byte character by its lead byte (a UTF-8 lead byte
// counts up to four), so a file that ends inside one would have them read past the terminator;
// padding longer than any character stops them. The buffer is sized to content and padding
// exactly, so that a sanitiser would see any read beyond.
const size_t kTerminatorPadding = 8;

// What we note of a text when we parse it, in its document's user data, which copies carry
// along: whether it began with a byte-order mark, which the library keeps to itself and writes
// back, and whether it held a numeric character reference, the one way in which an attribute
// value comes to hold a zero character: the parser stops at the text's first zero byte, and a
// copy of an element takes a value's text only up to its first zero character, as does every
// value set through the library's interface.
struct CParsedText {
    bool bByteOrderMark;
    bool bCharacterReference;
};
CParsedText g_parsedTexts[] = {{false, false}, {false, true}, {true, false}, {true, true}};

// What we noted of the text `doc` was parsed from; none for one we did not parse.
const CParsedText* ParsedText(const TiXmlDocument& doc) {
    for (const CParsedText& parsed : g_parsedTexts) {
        if (doc.GetUserData() == &parsed)
            return &parsed;
    }
    return nullptr;
}

// Should memory run out inside a top-level element, the parser drops what it built of it without
// freeing it, and that memory stays spent for the rest of the run; while it parses, this much is
// held back for the caller's report of it.
const size_t kReportReserve = 1 << 20;

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

// Whether file content, followed by its padding, begins as UTF-16 text does: with its byte-order
// mark, or with a '<' whose other byte is a zero. The library would read such a file as
// another text, or as none.
bool BeginsAsUtf16(const std::vector<char>& buffer) {
    if (buffer.size() < 2 + kTerminatorPadding)
        return false;
    const unsigned char c0 = static_cast<unsigned char>(buffer[0]);
    const unsigned char c1 = static_cast<unsigned char>(buffer[1]);
    return (c0 == 0xFF && c1 == 0xFE) || (c0 == 0xFE && c1 == 0xFF) || (c0 == '<' && c1 == 0) ||
           (c0 == 0 && c1 == '<');
}

// Parses a buffer of file content followed by its padding.
LoadFailure ParseBuffer(TiXmlDocument& doc, std::vector<char>& buffer) {
    doc.SetUserData(nullptr);
    if (BeginsAsUtf16(buffer))
        return LoadFailure::Utf16;
    const bool bByteOrderMark = buffer.size() >= 3 + kTerminatorPadding &&
                                std::memcmp(buffer.data(), "\xEF\xBB\xBF", 3) == 0;
    NormalizeForParser(buffer);
    if (!buffer[0]) {
        // The library's own words for a file with no text, as its LoadFile gives them.
        doc.ClearError();
        doc.SetError(TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY, nullptr, nullptr,
                     TIXML_ENCODING_UNKNOWN);
        return LoadFailure::Malformed;
    }
    if (ParserNestingDepth(buffer.data(), kMaxNestingDepth) > kMaxNestingDepth)
        return LoadFailure::TooDeep;
    {
        const CMemoryReserve reserve(kReportReserve);
        doc.Parse(buffer.data(), nullptr, TIXML_DEFAULT_ENCODING);
    }
    const bool bCharacterReference = std::strstr(buffer.data(), "&#") != nullptr;
    doc.SetUserData(&g_parsedTexts[(bByteOrderMark ? 2 : 0) + (bCharacterReference ? 1 : 0)]);
    return doc.Error() ? LoadFailure::Malformed : LoadFailure::None;
}

// Whether `text` is well-formed UTF-8: no overlong form, surrogate or value past U+10FFFF.
bool IsUtf8(const std::string& text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const pEnd = p + text.size();
    while (p < pEnd) {
        const unsigned char c = *p++;
        if (c < 0x80)
            continue;
        // The continuation bytes that follow a lead byte, as the parser counts them; no other
        // byte above 0x7F begins a character.
        const size_t nMore = Utf8Length(c) - 1;
        if (nMore == 0)
            return false;
        // The range the first of them is kept to.
        const unsigned char nLow = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        const unsigned char nHigh = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        if (static_cast<size_t>(pEnd - p) < nMore || *p < nLow || *p > nHigh)
            return false;
        for (const unsigned char* const pStop = p + nMore; p < pStop; ++p) {
            if (*p < 0x80 || *p > 0xBF)
                return false;
        }
    }
    return true;
}

}  // namespace

bool LoadXmlFile(TiXmlDocument& doc, const char* pszPath, armwright::FileStamp* pStamp,
                 LoadFailure* pFailure) {
    doc.Clear();
    doc.ClearError();
    doc.SetValue(pszPath);
    std::vector<char> buffer;
    const ReadResult read = armwright::ReadWholeFile(pszPath, buffer, kTerminatorPadding, pStamp);
    const LoadFailure failure = read == ReadResult::Read      ? ParseBuffer(doc, buffer)
                                : read == ReadResult::Changed ? LoadFailure::Changed
                                                              : LoadFailure::Unreadable;
    if (pFailure)
        *pFailure = failure;
    return failure == LoadFailure::None;
}

bool ParseXmlText(TiXmlDocument& doc, const std::string& text, LoadFailure* pFailure) {
    std::vector<char> buffer(text.size() + kTerminatorPadding, '\0');
    std::copy(text.begin(), text.end(), buffer.begin());
    const LoadFailure failure = ParseBuffer(doc, buffer);
    if (pFailure)
        *pFailure = failure;
    return failure == LoadFailure::None;
}

armwright::SaveResult SaveXmlFile(const TiXmlDocument& doc, const char* pszPath,
                                  const armwright::FileStamp* pExpected,
                                  const armwright::FileStamp* pNewLike,
                                  const BeforeCommit& beforeCommit) {
    const bool bByteOrderMark = BeganWithByteOrderMark(doc);
    return armwright::SaveFileSafely(
        pszPath,
        [&doc, bByteOrderMark](CWriter& sink) {
            return PrintXmlDocument(doc, bByteOrderMark, sink);
        },
        pExpected, pNewLike, beforeCommit);
}

bool BeganWithByteOrderMark(const TiXmlDocument& doc) {
    const CParsedText* pParsed = ParsedText(doc);
    return pParsed && pParsed->bByteOrderMark;
}

bool AttributesMayHoldZero(const TiXmlDocument* pDoc) {
    const CParsedText* pParsed = pDoc ? ParsedText(*pDoc) : nullptr;
    return !pParsed || pParsed->bCharacterReference;
}

bool ReadsAsTheSameText(const TiXmlNode& node, const TiXmlNode& place) {
    // Read byte by byte, every byte reads back as it is; read as UTF-8 on both sides, the copy
    // holds the characters the parser took from the input, which the printer writes whole.
    const TiXmlDocument* pFrom = node.GetDocument();
    const TiXmlDocument* pTo = place.GetDocument();
    if (!ReadsAsUtf8(place, pTo && BeganWithByteOrderMark(*pTo)) ||
        ReadsAsUtf8(node, pFrom && BeganWithByteOrderMark(*pFrom)))
        return true;
    // Below 0x80 both readings agree. Above, the bytes must be UTF-8, and read back as they are
    // (a byte-order mark starting a name would not).
    const std::string text = PrintXmlNode(node, true);
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return true;
    if (!IsUtf8(text))
        return false;
    TiXmlDocument again;
    if (!ParseXmlText(again, "\xEF\xBB\xBF<w>" + text + "</w>"))
        return false;
    std::string reprinted;
    for (const TiXmlNode* pNode = again.FirstChild()->FirstChild(); pNode;
         pNode = pNode->NextSibling())
        reprinted += PrintXmlNode(*pNode, true);
    return reprinted == text;
}

CString GetAttributeText(const TiXmlElement* pElement, const char* pszName) {
    const char* pszValue = pElement->Attribute(pszName);
    return pszValue ? pszValue : "";
}

}  // namespace armwright

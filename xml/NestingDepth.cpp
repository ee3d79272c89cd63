// The scan follows the library's parser step for step wherever the parser succeeds: the same
// white space, names, attribute values, entities, comments, CDATA, unknown tags, and the same
// multi-byte stepping once the text is known to be UTF-8, all of which can hide a '<' from the
// parser. Declarations, which decide the encoding, are read by the library's own code (it does
// not recurse there), so that the scan cannot read a different encoding out of one. Where the
// parser fails it stops for good, so the scan may go on there however it likes: what it counts
// after that point can only raise the depth it reports.
#include "xml/NestingDepth.h"

#include <tinyxml.h>

#include <cctype>
#include <cstring>
#include <vector>

#include "xml/LibraryText.h"

namespace armwright {
namespace {

bool IsWhiteSpace(char c) {
    return CLibraryText::IsWhiteSpace(c);
}
bool IsAlpha(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 127 ? std::isalpha(u) != 0 : true;
}
bool IsAlphaNum(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 127 ? std::isalnum(u) != 0 : true;
}
bool IsNameChar(char c) {
    return IsAlphaNum(c) || c == '_' || c == '-' || c == '.' || c == ':';
}
int Lower(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 128 ? std::tolower(u) : u;
}

class CDepthScan {
public:
    CDepthScan(const char* pszText, int nLimit) : m_pStart(pszText), m_nLimit(nLimit) {}

    int Run() {
        const char* p = m_pStart;
        if (!*p)
            return 0;
        const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
        if (u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF)
            m_encoding = TIXML_ENCODING_UTF8;
        p = SkipWhiteSpace(p);
        while (p && *p && m_nDepth <= m_nLimit) {
            Kind kind = Identify(p);
            if (kind == Kind::None)
                break;
            if (kind == Kind::Declaration) {
                // Only at the top level, and only until the encoding is known, as the document
                // does it: after a byte-order mark or an earlier declaration, none counts.
                TiXmlDeclaration declaration;
                p = declaration.Parse(p, nullptr, m_encoding);
                if (m_encoding == TIXML_ENCODING_UNKNOWN) {
                    m_encoding = NamesUtf8(declaration.Encoding()) ? TIXML_ENCODING_UTF8
                                                                   : TIXML_ENCODING_LEGACY;
                }
            } else {
                p = ParseNode(kind, p);
            }
            p = SkipWhiteSpace(p);
        }
        return m_nDepth;
    }

private:
    enum class Kind { None, Declaration, Comment, CData, Unknown, Element };

    const char* SkipWhiteSpace(const char* p) const {
        if (!p || !*p)
            return nullptr;
        for (;;) {
            const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
            if (m_encoding == TIXML_ENCODING_UTF8 && u[0] == 0xEF &&
                ((u[1] == 0xBB && u[2] == 0xBF) ||
                 (u[1] == 0xBF && (u[2] == 0xBE || u[2] == 0xBF)))) {
                p += 3;
            } else if (*p && IsWhiteSpace(*p)) {
                ++p;
            } else {
                return p;
            }
        }
    }

    // Whether p begins with `tag` (a prefix test, as the parser makes it).
    static bool StartsWith(const char* p, const char* tag, bool bIgnoreCase) {
        if (!p || !*p)
            return false;
        for (; *p && *tag; ++p, ++tag) {
            if (bIgnoreCase ? Lower(*p) != Lower(*tag) : *p != *tag)
                return false;
        }
        return *tag == 0;
    }

    static const char* ReadName(const char* p) {
        if (!p || !*p || !(IsAlpha(*p) || *p == '_'))
            return nullptr;
        while (*p && IsNameChar(*p))
            ++p;
        return p;
    }

    // One character of text: an entity, a multi-byte character or a single byte.
    const char* StepChar(const char* p) const {
        if (m_encoding == TIXML_ENCODING_UTF8) {
            const size_t nLength = Utf8Length(static_cast<unsigned char>(*p));
            if (nLength > 1)
                return p + nLength;
        }
        return *p == '&' ? StepEntity(p) : p + 1;
    }

    // A numeric entity runs to the next ';' and only its last digits are checked, so it can
    // swallow markup; a named one is one of five; any other '&' is stepped over alone.
    static const char* StepEntity(const char* p) {
        if (p[1] == '#' && p[2]) {
            const bool bHex = p[2] == 'x';
            if (bHex && !p[3])
                return nullptr;
            const char* q = std::strchr(p + (bHex ? 3 : 2), ';');
            if (!q)
                return nullptr;
            for (const char* d = q - 1; *d != (bHex ? 'x' : '#'); --d) {
                const bool bDigit =
                    (*d >= '0' && *d <= '9') ||
                    (bHex && ((*d >= 'a' && *d <= 'f') || (*d >= 'A' && *d <= 'F')));
                if (!bDigit)
                    return nullptr;
            }
            return q + 1;
        }
        for (const char* pszEntity : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
            const size_t nLength = std::strlen(pszEntity);
            if (std::strncmp(pszEntity, p, nLength) == 0)
                return p + nLength;
        }
        return p + 1;
    }

    // Text up to and past `pszEnd`; nullptr when the text ends first or right after it.
    const char* ReadText(const char* p, bool bCondense, const char* pszEnd) const {
        if (!bCondense) {
            while (p && *p && !StartsWith(p, pszEnd, false))
                p = StepChar(p);
        } else {
            p = SkipWhiteSpace(p);
            while (p && *p && !StartsWith(p, pszEnd, false))
                p = IsWhiteSpace(*p) ? p + 1 : StepChar(p);
        }
        if (p && *p)
            p += std::strlen(pszEnd);
        return p && *p ? p : nullptr;
    }

    const char* ParseAttribute(const char* p) const {
        p = SkipWhiteSpace(p);
        if (!p || !*p)
            return nullptr;
        p = ReadName(p);
        if (!p || !*p)
            return nullptr;
        p = SkipWhiteSpace(p);
        if (!p || !*p || *p != '=')
            return nullptr;
        p = SkipWhiteSpace(p + 1);
        if (!p || !*p)
            return nullptr;
        if (*p == '\'' || *p == '"') {
            const char szQuote[2] = {*p, '\0'};
            return ReadText(p + 1, false, szQuote);
        }
        while (*p && !IsWhiteSpace(*p) && *p != '/' && *p != '>') {
            if (*p == '\'' || *p == '"')
                return nullptr;
            ++p;
        }
        return p;
    }

    Kind Identify(const char* p) const {
        p = SkipWhiteSpace(p);
        if (!p || *p != '<')
            return Kind::None;
        if (StartsWith(p, "<?xml", true))
            return Kind::Declaration;
        if (StartsWith(p, "<!--", false))
            return Kind::Comment;
        if (StartsWith(p, "<![CDATA[", false))
            return Kind::CData;
        if (StartsWith(p, "<!", false))
            return Kind::Unknown;
        if (IsAlpha(p[1]) || p[1] == '_')
            return Kind::Element;
        return Kind::Unknown;
    }

    const char* ParseNode(Kind kind, const char* p) {
        switch (kind) {
            case Kind::Declaration:
                // The library's own reading: it does not recurse.
                return TiXmlDeclaration().Parse(p, nullptr, m_encoding);
            case Kind::Comment: {
                p = SkipWhiteSpace(p) + 4;
                while (*p && !StartsWith(p, "-->", false))
                    ++p;
                return *p ? p + 3 : p;
            }
            case Kind::CData: {
                p += 9;
                while (*p && !StartsWith(p, "]]>", false))
                    ++p;
                return ReadText(p, false, "]]>");
            }
            case Kind::Unknown: {
                p = SkipWhiteSpace(p) + 1;
                while (*p && *p != '>')
                    ++p;
                return *p ? p + 1 : p;
            }
            case Kind::Element:
                return ParseElement(p);
            case Kind::None:
                break;
        }
        return nullptr;
    }

    // One element and everything in it, with an explicit stack of the open elements' names.
    const char* ParseElement(const char* p) {
        struct Open {
            const char* pName;
            size_t nName;
        };
        std::vector<Open> open;
        for (;;) {
            // p is at the '<' of a start tag.
            if (open.size() + 1 > static_cast<size_t>(m_nDepth))
                m_nDepth = static_cast<int>(open.size()) + 1;
            if (m_nDepth > m_nLimit)
                return nullptr;
            p = SkipWhiteSpace(SkipWhiteSpace(p) + 1);
            const char* pName = p;
            p = ReadName(p);
            if (!p || !*p)
                return nullptr;
            Open element{pName, static_cast<size_t>(p - pName)};
            bool bHasContent = false;
            for (;;) {
                p = SkipWhiteSpace(p);
                if (!p || !*p)
                    return nullptr;
                if (*p == '/') {
                    if (p[1] != '>')
                        return nullptr;
                    p += 2;
                    break;
                }
                if (*p == '>') {
                    ++p;
                    bHasContent = true;
                    break;
                }
                p = ParseAttribute(p);
                if (!p || !*p)
                    return nullptr;
            }
            if (bHasContent)
                open.push_back(element);
            else if (open.empty())
                return p;
            // The content of the innermost open element, until a child starts or it ends.
            for (;;) {
                p = SkipWhiteSpace(p);
                if (!p)
                    return nullptr;
                if (*p != '<') {
                    p = ReadText(p, true, "<");
                    if (!p)
                        return nullptr;
                    --p;
                    continue;
                }
                if (StartsWith(p, "</", false)) {
                    const Open& inner = open.back();
                    if (std::strncmp(p + 2, inner.pName, inner.nName) != 0)
                        return nullptr;
                    p = SkipWhiteSpace(p + 2 + inner.nName);
                    if (!p || *p != '>')
                        return nullptr;
                    ++p;
                    open.pop_back();
                    if (open.empty())
                        return p;
                    continue;
                }
                Kind kind = Identify(p);
                if (kind == Kind::Element)
                    break;
                p = ParseNode(kind, p);
            }
        }
    }

    const char* m_pStart;
    int m_nLimit;
    int m_nDepth = 0;
    TiXmlEncoding m_encoding = TIXML_ENCODING_UNKNOWN;
};

}  // namespace

int ParserNestingDepth(const char* pszText, int nLimit) {
    return CDepthScan(pszText, nLimit).Run();
}

int ElementDepth(const TiXmlNode& root) {
    // Down to the first child, else on to the next sibling of the node or of its nearest
    // ancestor that has one: parent links stand in for a stack.
    int nDeepest = 0;
    int nDepth = 0;
    const TiXmlNode* pNode = root.FirstChild();
    while (pNode) {
        if (pNode->Type() == TiXmlNode::TINYXML_ELEMENT && ++nDepth > nDeepest)
            nDeepest = nDepth;
        if (pNode->FirstChild()) {
            pNode = pNode->FirstChild();
            continue;
        }
        for (;;) {
            if (pNode->Type() == TiXmlNode::TINYXML_ELEMENT)
                --nDepth;
            if (pNode->NextSibling()) {
                pNode = pNode->NextSibling();
                break;
            }
            pNode = pNode->Parent();
            if (pNode == &root) {
                pNode = nullptr;
                break;
            }
        }
    }
    return nDeepest;
}

}  // namespace armwright

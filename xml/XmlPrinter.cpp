// Where the library prints a string with "%s" the text ends at its first zero byte; where it
// encodes one first, the whole string counts. Both are kept here.
//
// The library's bytes read back as the document they were printed from but in these cases, and
// only there does this printer write other bytes, ones that do:
// - it writes a declaration's values as they are, so that a quote or an '&' in one ends it early
//   or starts a reference, and the loader makes a carriage return a line feed; those three are
//   escaped as in attribute values;
// - where the parser reads UTF-8 it takes a lead byte and the bytes after it as one character,
//   whatever they are, so invalid UTF-8 can carry a '<' or a quote into a value; escaping such
//   a byte would have the next read take the escape's '&' instead, so the character is written
//   whole; a value read without quotes (byte by byte) that ends inside a character is written
//   without them again, and a declaration that the end of the text cut short inside one is cut
//   short there again;
// - the parser condenses the white space of text, and where it reads UTF-8 skips byte-order
//   marks with it, so a space that only a character reference could have put at the start or
//   end of a run of text, or after another space, and a byte-order mark (or U+FFFE, U+FFFF) at
//   its start, are written as character references.
#include "xml/XmlPrinter.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "xml/LibraryText.h"
#include "xml/XmlFile.h"

namespace armwright {
namespace {

// Big enough that each write is one large block.
const size_t kFlushSize = 1 << 20;

// How many bytes from p the parser takes as one character where it reads UTF-8: a lead byte's
// whole sequence, but never past pEnd nor over a zero byte or a carriage return, which it cannot
// have read there (and which the loader would cut the file at, or change).
size_t CharacterLength(const char* p, const char* pEnd) {
    const size_t nLength = Utf8Length(static_cast<unsigned char>(*p));
    size_t k = 1;
    while (k < nLength && p + k < pEnd && p[k] != '\0' && p[k] != '\r')
        ++k;
    return k;
}

// The library's escaping of one byte: the five markup characters as entities, control characters
// as hexadecimal references, every other byte as it is. This is Debian's TinyXML 2.6.2, which
// escapes every '&'. The upstream release passes a literal "&#x...;" in text through unescaped,
// so that a reload reads a character where the text held those characters; matching Debian keeps
// what we write equal to what we read.
void EncodeByte(unsigned char c, std::string& out) {
    static const char kHex[] = "0123456789ABCDEF";
    switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            if (c < 32) {
                const char reference[] = {'&', '#', 'x', kHex[c >> 4], kHex[c & 15], ';'};
                out.append(reference, sizeof reference);
            } else {
                out += static_cast<char>(c);
            }
    }
}

// What a byte asks of the printer: nothing (written as it is), escaping, or, where the parser
// reads UTF-8, being the lead byte of a multi-byte character.
enum ByteKind : unsigned char { kPlain, kEscaped, kLead };

const ByteKind* ByteKinds() {
    static const struct CTable {
        ByteKind kinds[256];
        CTable() : kinds() {
            for (int c = 0; c < 256; ++c) {
                const bool bEscaped =
                    c < 32 || c == '&' || c == '<' || c == '>' || c == '"' || c == '\'';
                const bool bLead = Utf8Length(static_cast<unsigned char>(c)) > 1;
                kinds[c] = bEscaped ? kEscaped : bLead ? kLead : kPlain;
            }
        }
    } table;
    return table.kinds;
}

// The end of the run of bytes from p that are written as they are.
const char* PlainRunEnd(const char* p, const char* pEnd, bool bUtf8, const ByteKind* kinds) {
    while (p < pEnd) {
        const ByteKind kind = kinds[static_cast<unsigned char>(*p)];
        if (kind == kEscaped || (kind == kLead && bUtf8))
            break;
        ++p;
    }
    return p;
}

// A value escaped as the library escapes it, its multi-byte characters whole where the parser
// reads UTF-8 (for valid UTF-8 the same bytes); true when the value ends inside one, which only
// a value read without quotes, byte by byte, can.
bool Encode(const char* p, size_t n, bool bUtf8, std::string& out) {
    const ByteKind* const kinds = ByteKinds();
    bool bCut = false;
    for (const char* pEnd = p + n; p < pEnd;) {
        const char* pRunEnd = PlainRunEnd(p, pEnd, bUtf8, kinds);
        out.append(p, pRunEnd);
        p = pRunEnd;
        if (p == pEnd)
            break;
        const unsigned char c = static_cast<unsigned char>(*p);
        if (kinds[c] == kLead) {
            const size_t k = CharacterLength(p, pEnd);
            out.append(p, k);
            p += k;
            bCut = p == pEnd && k < Utf8Length(c);
        } else {
            EncodeByte(c, out);
            ++p;
        }
    }
    return bCut;
}

// The reference for a character the parser skips as white space where it reads UTF-8, or none.
const char* SkippedLikeWhiteSpace(const char* p, size_t nLength) {
    if (nLength != 3 || static_cast<unsigned char>(p[0]) != 0xEF)
        return nullptr;
    if (p[1] == '\xBB' && p[2] == '\xBF')
        return "&#xFEFF;";
    if (p[1] == '\xBF' && p[2] == '\xBE')
        return "&#xFFFE;";
    if (p[1] == '\xBF' && p[2] == '\xBF')
        return "&#xFFFF;";
    return nullptr;
}

// Whether a value, stepped through as the parser reads UTF-8, ends inside a character: only a
// value read without quotes, byte by byte, can. In quotes its last character would take the
// closing quote.
bool EndsInsideCharacter(const char* p, size_t n) {
    size_t i = 0;
    while (i < n)
        i += Utf8Length(static_cast<unsigned char>(p[i]));
    return i > n;
}

// Whether a value reads back written without quotes: the parser reads those byte by byte, after
// skipping white space, up to white space, '/' or '>', and refuses a quote in them.
bool CanStandUnquoted(const char* p, size_t n) {
    if (n == 0 || (n >= 3 && SkippedLikeWhiteSpace(p, 3)))
        return false;
    return std::none_of(p, p + n, [](char c) {
        return CLibraryText::IsWhiteSpace(c) || c == '/' || c == '>' || c == '"' || c == '\'';
    });
}

// A value of a declaration in quotes: the library writes it as it is, which reads back unless it
// holds a quote, an '&' or a carriage return (which the loader makes a line feed); those are
// escaped as in attribute values.
void EncodeDeclarationValue(const char* p, const char* pEnd, bool bUtf8, std::string& out) {
    while (p < pEnd) {
        const unsigned char c = static_cast<unsigned char>(*p);
        const size_t k = bUtf8 ? CharacterLength(p, pEnd) : 1;
        if (k == 1 && (c == '"' || c == '&' || c == '\r'))
            EncodeByte(c, out);
        else
            out.append(p, k);
        p += k;
    }
}

// Whether a declaration's value that ends inside a character (only one read without quotes, or
// cut short by the end of the text, can) could not be written back but as the text's end.
bool OnlyTheEndCanCut(const char* p, bool bUtf8) {
    const size_t n = std::strlen(p);
    return bUtf8 && EndsInsideCharacter(p, n) && !CanStandUnquoted(p, n);
}

bool IsPlainText(const TiXmlNode& node) {
    const TiXmlText* pText = node.ToText();
    return pText && !pText->CDATA();
}

// The bytes that the library's escaping turned into p..pEnd.
std::string Unescaped(const char* p, const char* pEnd) {
    static const struct {
        const char* pszEntity;
        char c;
    } kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string value;
    while (p < pEnd) {
        if (*p != '&') {
            value += *p++;
            continue;
        }
        if (p[1] == '#') {  // "&#xHH;", below 32
            value += static_cast<char>(std::stoi(std::string(p + 3, 2), nullptr, 16));
            p += 6;
            continue;
        }
        for (const auto& entity : kEntities) {
            const size_t nLength = std::strlen(entity.pszEntity);
            if (std::strncmp(p, entity.pszEntity, nLength) == 0) {
                value += entity.c;
                p += nLength;
                break;
            }
        }
    }
    return value;
}

// An attribute as the library prints it, with its value's full length, its multi-byte characters
// whole where the parser reads UTF-8, and without quotes where it was read so and would not read
// back in them. Value() ends at a value's first zero character, and the library gives the whole
// value's length to no one but its own printing: where the value may hold one (bZeroPossible),
// the library renders it, and only a lead byte in UTF-8 could be written otherwise.
void AppendEncodedAttribute(const TiXmlAttribute& attribute, bool bUtf8, bool bZeroPossible,
                            std::string& out) {
    const TIXML_STRING& name = attribute.NameTStr();
    const char* pValue = attribute.Value();
    size_t nValue = std::strlen(pValue);
    std::string whole;
    if (bZeroPossible) {
        TIXML_STRING text;
        attribute.Print(nullptr, 0, &text);
        const char* const pBegin = text.c_str();
        const char* const pEnd = pBegin + text.length();
        if (!bUtf8 || std::none_of(pBegin, pEnd, [](char c) {
                return Utf8Length(static_cast<unsigned char>(c)) > 1;
            })) {
            out.append(pBegin, text.length());
            return;
        }
        // A name cannot hold '=' nor anything escaped: the value stands between the quotes after
        // it.
        whole = Unescaped(pBegin + name.length() + 2, pEnd - 1);
        pValue = whole.data();
        nValue = whole.size();
    }
    Encode(name.c_str(), name.length(), false, out);
    out += '=';
    const size_t nValueStart = out.size();
    // The library looks for a quote only up to the value's first zero character.
    const char quote = std::strchr(pValue, '"') ? '\'' : '"';
    out += quote;
    if (Encode(pValue, nValue, bUtf8, out) && CanStandUnquoted(pValue, nValue)) {
        // In quotes its last character would take the closing one.
        out.resize(nValueStart);
        out.append(pValue, nValue);
        return;
    }
    out += quote;
}

class CPrinter {
public:
    CPrinter(CWriter* pSink, bool bUtf8, const TiXmlNode& node)
        : m_pSink(pSink),
          m_bUtf8(bUtf8),
          m_bZeroPossible(AttributesMayHoldZero(node.GetDocument())) {
        if (m_pSink)
            m_out.reserve(kFlushSize + 4096);
    }

    bool Document(const TiXmlDocument& doc, bool bByteOrderMark) {
        if (bByteOrderMark)
            m_out += "\xEF\xBB\xBF";
        // The parser decides how to read on at the first top-level declaration, unless a
        // byte-order mark has decided it; until then it reads byte by byte.
        bool bDecided = bByteOrderMark;
        for (const TiXmlNode* pNode = doc.FirstChild(); pNode; pNode = pNode->NextSibling()) {
            Node(*pNode, 0);
            EndText();
            if (!m_bCutShort)
                m_out += '\n';
            const TiXmlDeclaration* pDeclaration = pNode->ToDeclaration();
            if (!bDecided && pDeclaration) {
                m_bUtf8 = NamesUtf8(pDeclaration->Encoding());
                bDecided = true;
            }
        }
        return !m_pSink || Flush();
    }

    std::string Printed(const TiXmlDocument& doc, bool bByteOrderMark) {
        Document(doc, bByteOrderMark);
        return m_out;
    }

    std::string Alone(const TiXmlNode& node) {
        m_pAlone = &node;
        Node(node, 0);
        return m_out;
    }

private:
    void Node(const TiXmlNode& node, int depth) {
        if (m_pSink && m_out.size() >= kFlushSize)
            Flush();
        if (IsPlainText(node)) {
            Text(*node.ToText());
            return;
        }
        EndText();
        switch (node.Type()) {
            case TiXmlNode::TINYXML_ELEMENT:
                Element(*node.ToElement(), depth);
                break;
            case TiXmlNode::TINYXML_TEXT:
                CData(*node.ToText(), depth);
                break;
            case TiXmlNode::TINYXML_COMMENT:
                Indent(depth);
                m_out += "<!--";
                m_out += node.Value();
                m_out += "-->";
                break;
            case TiXmlNode::TINYXML_UNKNOWN:
                Indent(depth);
                m_out += '<';
                m_out += node.Value();
                m_out += '>';
                break;
            case TiXmlNode::TINYXML_DECLARATION:
                Declaration(*node.ToDeclaration());
                break;
            default:
                break;
        }
        EndText();
    }

    void Element(const TiXmlElement& element, int depth) {
        Indent(depth);
        m_out += '<';
        m_out += element.Value();
        for (const TiXmlAttribute* pAttribute = element.FirstAttribute(); pAttribute;
             pAttribute = pAttribute->Next()) {
            m_out += ' ';
            AppendEncodedAttribute(*pAttribute, m_bUtf8, m_bZeroPossible, m_out);
        }
        const TiXmlNode* pFirst = element.FirstChild();
        if (!pFirst) {
            m_out += " />";
        } else if (pFirst == element.LastChild() && pFirst->ToText()) {
            m_out += '>';
            Node(*pFirst, depth + 1);
            m_out += "</";
            m_out += element.Value();
            m_out += '>';
        } else {
            m_out += '>';
            for (const TiXmlNode* pNode = pFirst; pNode; pNode = pNode->NextSibling()) {
                if (!pNode->ToText())
                    m_out += '\n';
                Node(*pNode, depth + 1);
            }
            m_out += '\n';
            Indent(depth);
            m_out += "</";
            m_out += element.Value();
            m_out += '>';
        }
    }

    void CData(const TiXmlText& text, int depth) {
        m_out += '\n';
        Indent(depth);
        m_out += "<![CDATA[";
        m_out += text.Value();
        m_out += "]]>\n";
    }

    // Adjacent text nodes print as one run of text, which the parser reads as one.
    void Text(const TiXmlText& text) {
        const TIXML_STRING& value = text.ValueTStr();
        const char* p = value.c_str();
        const char* const pEnd = p + value.length();
        const bool bRunGoesOn = RunGoesOn(text);
        const ByteKind* const kinds = ByteKinds();
        while (p < pEnd) {
            if (m_bInText) {
                // Runs of plain bytes other than spaces go out whole.
                const char* pRunEnd = p;
                while (pRunEnd < pEnd && *pRunEnd != ' ' &&
                       kinds[static_cast<unsigned char>(*pRunEnd)] == kPlain)
                    ++pRunEnd;
                if (pRunEnd != p) {
                    m_out.append(p, pRunEnd);
                    p = pRunEnd;
                    m_bAfterSpace = false;
                    continue;
                }
            }
            const unsigned char c = static_cast<unsigned char>(*p);
            if (kinds[c] == kLead && m_bUtf8) {
                const size_t k = CharacterLength(p, pEnd);
                const char* pszReference = m_bInText ? nullptr : SkippedLikeWhiteSpace(p, k);
                if (pszReference)
                    m_out += pszReference;
                else
                    m_out.append(p, k);
                p += k;
                m_bAfterSpace = false;
            } else if (c == ' ') {
                const bool bLast = p + 1 == pEnd && !bRunGoesOn;
                m_bAfterSpace = m_bInText && !m_bAfterSpace && !bLast;
                m_out += m_bAfterSpace ? " " : "&#x20;";
                ++p;
            } else {
                EncodeByte(c, m_out);
                ++p;
                m_bAfterSpace = false;
            }
            m_bInText = true;
        }
    }

    // Whether the run of text goes on after `text`, in a text node printed right after it.
    bool RunGoesOn(const TiXmlText& text) const {
        const TiXmlNode* pParent = text.Parent();
        if (&text == m_pAlone || !pParent || pParent->ToDocument())
            return false;
        const TiXmlNode* pNext = text.NextSibling();
        while (pNext && IsPlainText(*pNext) && pNext->ToText()->ValueTStr().empty())
            pNext = pNext->NextSibling();
        return pNext && IsPlainText(*pNext);
    }

    void EndText() {
        m_bInText = false;
        m_bAfterSpace = false;
    }

    // The parser ends a value in quotes only after a whole character. Where the text ended
    // inside one, the parser took the value up to there and the declaration for done, and
    // nothing else can read back so: such a declaration, last in its document, is written with
    // that value last and cut short again.
    void Declaration(const TiXmlDeclaration& declaration) {
        m_out += "<?xml ";
        const char* kNames[] = {"version", "encoding", "standalone"};
        const char* values[] = {declaration.Version(), declaration.Encoding(),
                                declaration.Standalone()};
        const TiXmlNode* pParent = declaration.Parent();
        int nCut = -1;
        if (pParent && pParent->ToDocument() && !declaration.NextSibling()) {
            for (int i = 0; i < 3; ++i) {
                if (OnlyTheEndCanCut(values[i], m_bUtf8))
                    nCut = i;
            }
        }
        for (int i = 0; i < 3; ++i) {
            if (!*values[i] || i == nCut)
                continue;
            const char* const pEnd = values[i] + std::strlen(values[i]);
            m_out += kNames[i];
            const size_t nLength = static_cast<size_t>(pEnd - values[i]);
            if (m_bUtf8 && EndsInsideCharacter(values[i], nLength) &&
                CanStandUnquoted(values[i], nLength)) {
                // Read without quotes, and in them its last character would take the closing one.
                m_out += '=';
                m_out.append(values[i], pEnd);
                m_out += ' ';
            } else {
                m_out += "=\"";
                EncodeDeclarationValue(values[i], pEnd, m_bUtf8, m_out);
                m_out += "\" ";
            }
        }
        if (nCut < 0) {
            m_out += "?>";
            return;
        }
        m_out += kNames[nCut];
        m_out += "=\"";
        EncodeDeclarationValue(values[nCut], values[nCut] + std::strlen(values[nCut]), m_bUtf8,
                               m_out);
        m_bCutShort = true;
    }

    void Indent(int depth) { m_out.append(static_cast<size_t>(depth) * 4, ' '); }

    bool Flush() {
        if (!m_bFailed && !m_out.empty() && !m_pSink->Write(m_out.data(), m_out.size()))
            m_bFailed = true;
        m_out.clear();
        return !m_bFailed;
    }

    CWriter* m_pSink;                     // none when printing to a string
    bool m_bUtf8;                         // the parser reads the document as UTF-8 here
    bool m_bZeroPossible;                 // an attribute value may hold a zero character
    const TiXmlNode* m_pAlone = nullptr;  // a node printed without its siblings
    bool m_bInText = false;               // a run of text has begun
    bool m_bAfterSpace = false;           // and its last character was a space, written as one
    bool m_bCutShort = false;             // the text ends inside a declaration's value
    std::string m_out;
    bool m_bFailed = false;
};

}  // namespace

bool PrintXmlDocument(const TiXmlDocument& doc, bool bByteOrderMark, CWriter& sink) {
    return CPrinter(&sink, bByteOrderMark, doc).Document(doc, bByteOrderMark);
}

std::string PrintXmlDocument(const TiXmlDocument& doc, bool bByteOrderMark) {
    return CPrinter(nullptr, bByteOrderMark, doc).Printed(doc, bByteOrderMark);
}

std::string PrintXmlNode(const TiXmlNode& node, bool bUtf8) {
    return CPrinter(nullptr, bUtf8, node).Alone(node);
}

bool ReadsAsUtf8(const TiXmlNode& node, bool bByteOrderMark) {
    if (bByteOrderMark)
        return true;
    const TiXmlNode* pTop = &node;
    while (pTop->Parent() && !pTop->Parent()->ToDocument())
        pTop = pTop->Parent();
    if (!pTop->Parent())
        return false;
    for (const TiXmlNode* pNode = pTop->Parent()->FirstChild(); pNode && pNode != pTop;
         pNode = pNode->NextSibling()) {
        if (const TiXmlDeclaration* pDeclaration = pNode->ToDeclaration())
            return NamesUtf8(pDeclaration->Encoding());
    }
    return false;
}

}  // namespace armwright

// Where the library prints a string with "%s" the text ends at its first zero byte; where it
// encodes one first, the whole string counts. Both are kept here.
#include "xml/XmlPrinter.h"

#include <tinyxml.h>

#include <cstring>
#include <string>

namespace {

// Big enough that each write is one large block.
const size_t kFlushSize = 1 << 20;

// The library's escaping: the five markup characters as entities, control characters as
// hexadecimal references, every other byte as it is. This is Debian's TinyXML 2.6.2, which
// escapes every '&'. The upstream release passes a literal "&#x...;" in text through unescaped,
// so that a reload reads a character where the text held those characters; matching Debian keeps
// what we write equal to what we read.
void Encode(const char* p, size_t n, std::string& out) {
    static const char kHex[] = "0123456789ABCDEF";
    for (const char* pEnd = p + n; p < pEnd; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
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
}

// An attribute value with its full length; the library's own rendering where it hides it.
void AppendEncodedAttribute(const TiXmlAttribute& attribute, std::string& out);

class CPrinter {
public:
    explicit CPrinter(FILE* fp) : m_fp(fp) { m_out.reserve(kFlushSize + 4096); }

    bool Document(const TiXmlDocument& doc, bool bByteOrderMark) {
        if (bByteOrderMark)
            m_out += "\xEF\xBB\xBF";
        for (const TiXmlNode* pNode = doc.FirstChild(); pNode; pNode = pNode->NextSibling()) {
            Node(*pNode, 0);
            m_out += '\n';
        }
        return Flush();
    }

private:
    void Node(const TiXmlNode& node, int depth) {
        if (m_out.size() >= kFlushSize)
            Flush();
        switch (node.Type()) {
            case TiXmlNode::TINYXML_ELEMENT:
                Element(*node.ToElement(), depth);
                break;
            case TiXmlNode::TINYXML_TEXT:
                Text(*node.ToText(), depth);
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
    }

    void Element(const TiXmlElement& element, int depth) {
        Indent(depth);
        m_out += '<';
        m_out += element.Value();
        for (const TiXmlAttribute* pAttribute = element.FirstAttribute(); pAttribute;
             pAttribute = pAttribute->Next()) {
            m_out += ' ';
            AppendEncodedAttribute(*pAttribute, m_out);
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

    void Text(const TiXmlText& text, int depth) {
        if (text.CDATA()) {
            m_out += '\n';
            Indent(depth);
            m_out += "<![CDATA[";
            m_out += text.Value();
            m_out += "]]>\n";
        } else {
            Encode(text.ValueTStr().c_str(), text.ValueTStr().length(), m_out);
        }
    }

    void Declaration(const TiXmlDeclaration& declaration) {
        m_out += "<?xml ";
        const char* kNames[] = {"version", "encoding", "standalone"};
        const char* values[] = {declaration.Version(), declaration.Encoding(),
                                declaration.Standalone()};
        for (int i = 0; i < 3; ++i) {
            if (*values[i]) {
                m_out += kNames[i];
                m_out += "=\"";
                m_out += values[i];
                m_out += "\" ";
            }
        }
        m_out += "?>";
    }

    void Indent(int depth) { m_out.append(static_cast<size_t>(depth) * 4, ' '); }

    bool Flush() {
        if (!m_out.empty() && std::fwrite(m_out.data(), 1, m_out.size(), m_fp) != m_out.size())
            m_bFailed = true;
        m_out.clear();
        return !m_bFailed && !std::ferror(m_fp);
    }

    FILE* m_fp;
    std::string m_out;
    bool m_bFailed = false;
};

void AppendEncodedAttribute(const TiXmlAttribute& attribute, std::string& out) {
#ifdef TIXML_USE_STL
    const std::string& name = attribute.NameTStr();
    const std::string& value = attribute.ValueStr();
    const char quote = value.find('"') == std::string::npos ? '"' : '\'';
    Encode(name.data(), name.size(), out);
    out += '=';
    out += quote;
    Encode(value.data(), value.size(), out);
    out += quote;
#else
    // Without the standard strings the value's length is not to be had; the library renders it.
    TIXML_STRING text;
    attribute.Print(nullptr, 0, &text);
    out.append(text.c_str(), text.length());
#endif
}

}  // namespace

bool PrintXmlDocument(const TiXmlDocument& doc, bool bByteOrderMark, FILE* fp) {
    return CPrinter(fp).Document(doc, bByteOrderMark);
}

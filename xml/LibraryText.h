// How the library reads text, for the code of this folder that must read it as the library does:
// each rule once, on the library's own code and tables wherever it has them. Private to xml/.
#pragma once

#include <tinyxml.h>

#include <cstddef>

namespace armwright {

// The library keeps its white-space test and prefix comparison to its own classes.
struct CLibraryText : TiXmlBase {
    using TiXmlBase::IsWhiteSpace;
    using TiXmlBase::StringEqual;
};

// Whether the parser reads what follows a document's first top-level declaration naming this
// encoding as UTF-8, as it decides it. The value is the library's own reading of it, character
// references and all: it ends at the first zero character one of them produced, so "&#0;" names
// no encoding, which is UTF-8.
inline bool NamesUtf8(const char* pszEncoding) {
    return !*pszEncoding ||
           CLibraryText::StringEqual(pszEncoding, "UTF-8", true, TIXML_ENCODING_UNKNOWN) ||
           CLibraryText::StringEqual(pszEncoding, "UTF8", true, TIXML_ENCODING_UNKNOWN);
}

// How many bytes the parser takes as one character from this byte where it reads UTF-8: a lead
// byte's whole sequence, whatever follows it, and 1 for every other byte.
inline size_t Utf8Length(unsigned char c) {
    return static_cast<size_t>(TiXmlBase::utf8ByteTable[c]);
}

}  // namespace armwright

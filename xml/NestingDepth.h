// How deep elements nest, found without recursion: in a text, as the XML library's recursive
// parser would nest them, so that a document too deep for the stack can be refused before it is
// parsed; and in a document the library holds, so that an edit cannot make one too deep to load.
#pragma once

class TiXmlNode;

namespace armwright {

// The deepest element nesting that parsing the zero-terminated `pszText` would reach, counting
// no further than nLimit + 1. The text must be followed by at least four more zero bytes: the
// parser, and so this scan, can step over a terminator inside a multi-byte character.
int ParserNestingDepth(const char* pszText, int nLimit);
// The deepest element nesting below `root`: what ParserNestingDepth finds in the text the printer
// writes for it, which nests elements as the tree does.
int ElementDepth(const TiXmlNode& root);

}  // namespace armwright

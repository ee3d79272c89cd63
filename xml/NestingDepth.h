// How deep the XML library's recursive parser would nest elements in a text, found without
// recursion, so that a document too deep for the stack can be refused before it is parsed.
#pragma once

// The deepest element nesting that parsing the zero-terminated `pszText` would reach, counting
// no further than nLimit + 1. The text must be followed by at least four more zero bytes: the
// parser, and so this scan, can step over a terminator inside a multi-byte character.
int ParserNestingDepth(const char* pszText, int nLimit);

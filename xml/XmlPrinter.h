// The library's printer, byte for byte, without its per-piece formatted output.
#pragma once

#include <cstdio>

class TiXmlDocument;

// Writes `doc` to `fp` exactly as TiXmlDocument::SaveFile(FILE*) does, for a document that did
// (bByteOrderMark) or did not begin with a UTF-8 byte-order mark; false on a write error.
bool PrintXmlDocument(const TiXmlDocument& doc, bool bByteOrderMark, FILE* fp);

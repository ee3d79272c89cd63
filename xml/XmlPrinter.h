// The library's printer, byte for byte, without its per-piece formatted output; where the
// library's own bytes would not read back as the document they were printed from, bytes that do.
#pragma once

#include <string>

#include "framework/file.h"

class TiXmlDocument;
class TiXmlNode;

namespace armwright {

// Writes `doc` to `sink`, a large chunk at a time, exactly as TiXmlDocument::SaveFile(FILE*)
// prints it (with "\n" line ends), for a document that did (bByteOrderMark) or did not begin
// with a UTF-8 byte-order mark, but where those bytes would not load again as `doc`; false when
// the sink failed.
bool PrintXmlDocument(const TiXmlDocument& doc, bool bByteOrderMark, CWriter& sink);
// The same bytes, as a string.
std::string PrintXmlDocument(const TiXmlDocument& doc, bool bByteOrderMark);
// What PrintXmlDocument writes for `node` at the top level, where the parser reads the document
// as UTF-8 (bUtf8) or byte by byte.
std::string PrintXmlNode(const TiXmlNode& node, bool bUtf8);
// Whether the parser reads the text of `node` as UTF-8, in a document that did (bByteOrderMark)
// or did not begin with a byte-order mark: from the first top-level declaration on, as it names.
bool ReadsAsUtf8(const TiXmlNode& node, bool bByteOrderMark);

}  // namespace armwright

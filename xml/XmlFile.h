// Reading and writing XML documents by Windows path: a file is parsed as the library's own
// LoadFile would parse it, once it is known to be neither UTF-16 nor nested too deeply, and a
// document is written as its SaveFile prints it, except where XmlPrinter.h says.
#pragma once

#include <string>

#include "framework/cstring.h"
#include "framework/file.h"

class TiXmlDocument;
class TiXmlElement;
class TiXmlNode;

namespace armwright {

// The deepest element nesting a document may have to be loaded. The library recurses once per
// level when it parses, copies, prints and frees a document, and prints in time quadratic in the
// depth. Real files are a handful of levels deep; a thousand stays far inside the smallest stack
// we run on, Windows' 2 MiB (docs/robustness.md).
constexpr int kMaxNestingDepth = 1000;

// Why a file could not be loaded, for the messages that tell its user what to mend.
enum class LoadFailure {
    None,        // it loaded
    Unreadable,  // missing, not readable, or not a regular file
    Utf16,       // UTF-16 text, which the library would read as other text or none
    Malformed,   // empty or not well-formed: the document holds the library's error and place
    TooDeep,     // nested deeper than kMaxNestingDepth, so never handed to the library
    Changed,     // another program wrote it while it was read: what was read may be a mixture
};

// Loads the file into `doc`, which takes `pszPath` as its name first; false when the file cannot
// be read, is UTF-16, empty, too deeply nested or not well-formed, and `pFailure`, when given,
// says which. `pStamp`, when given, receives the stamp of what was read.
bool LoadXmlFile(TiXmlDocument& doc, const char* pszPath, armwright::FileStamp* pStamp = nullptr,
                 LoadFailure* pFailure = nullptr);
// Parses file content into `doc` as LoadFile would after reading it; false when it is UTF-16,
// empty, too deeply nested or not well-formed, and `pFailure`, when given, says which.
bool ParseXmlText(TiXmlDocument& doc, const std::string& text, LoadFailure* pFailure = nullptr);
// Writes `doc` to `pszPath` as SaveFile prints it, except where XmlPrinter.h says, through a safe
// save; with `pExpected`, only while the file on disk is still that one; a new file no more open
// than `pNewLike`; `beforeCommit` asked right before the file changes.
armwright::SaveResult SaveXmlFile(const TiXmlDocument& doc, const char* pszPath,
                                  const armwright::FileStamp* pExpected = nullptr,
                                  const armwright::FileStamp* pNewLike = nullptr,
                                  const BeforeCommit& beforeCommit = nullptr);
// Whether `doc` was parsed from text that began with a UTF-8 byte-order mark, which a save
// writes back.
bool BeganWithByteOrderMark(const TiXmlDocument& doc);
// Whether an attribute value in `pDoc` (none: in no document) may hold a zero character, at which
// its Value() ends: unless the document was parsed by the functions above from a text without
// numeric character references.
bool AttributesMayHoldZero(const TiXmlDocument* pDoc);
// Whether a copy of `node` put under `place`, in another document, would be read there as the
// text it was read as, once that document is saved and loaded again: not where only `place`'s
// document is read as UTF-8 and the copy holds bytes that are no UTF-8, or do not read back.
bool ReadsAsTheSameText(const TiXmlNode& node, const TiXmlNode& place);

// The attribute's text, empty when the element lacks it.
CString GetAttributeText(const TiXmlElement* pElement, const char* pszName);

}  // namespace armwright

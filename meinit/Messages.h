// The edits' own messages: kept in m_strError and shown in verbose mode; the reasons a file
// cannot be read also follow the driver's "Unable to open file" for the MeInit. Their wording,
// odd spellings included, is what users of the tool already know.
#pragma once

namespace meinit_messages {

// The registry root is missing.
constexpr char kNoRegistry[] =
    "Unable to find \"LockOn_Registry\" node in specified MeInit !\n"
    "Your MeInit is probably corrupted !";
// Node %s is missing in section %s of the MeInit (a section is a node or an aircraft name).
constexpr char kNoNode[] =
    "Unable to find \"%s\" node in \"%s\" section of specified MeInit !\n"
    "Your MeInit is probably corrupted !";
// Top-level node %s is missing in input file %s, whose first top-level element is %s (or
// "no element").
constexpr char kNoInputNode[] =
    "Unable to find \"%s\" node in file \"%s\" : it holds \"%s\" instead !\n"
    "This file is not meant for this argument !";
// What kNoInputNode names when the file holds no element at all.
constexpr char kNoElement[] = "no element";
// File %s is missing, or cannot be read.
constexpr char kUnreadable[] =
    "Unable to read file \"%s\" !\n"
    "Check that it exists and that its name is quoted.";
// File %s is not well-formed: the library's description %s, at line %d, column %d.
constexpr char kMalformed[] = "Unable to read file \"%s\" : %s at line %d, column %d !";
// File %s is UTF-16 text.
constexpr char kUtf16[] =
    "Unable to read file \"%s\" : it is UTF-16 text !\n"
    "Save it as UTF-8 first !";
// No original of MeInit %s is kept in folder %s for /restore to put back.
constexpr char kNoOriginal[] = "Unable to restore \"%s\" : no original of it is kept in \"%s\" !";
// A launcher of the /weapons file has no counterpart in the registry.
constexpr char kNoLauncher[] =
    "Unable to replace specified weapon in your MeInit !\n"
    "Either the CLSID of the category oe the launcher does not exist !";
// A task entry of the /addpredif file has no integer WorldID.
constexpr char kNoWorldID[] =
    "Unable to get \"WorldID\" of the payload : File format error !\n"
    "Your MeInit is probably corrupted !";
// Numbering the /addpredif payloads would overflow a 32-bit ID.
constexpr char kPayloadIDOverflow[] =
    "Unable to number the predefined payloads : their IDs would pass 2147483647 !\n"
    "Your MeInit holds too high a payload ID !";
// Applying file %s would nest the MeInit deeper than %d levels.
constexpr char kTooDeep[] =
    "Unable to apply file \"%s\" : your MeInit would be nested deeper than %d levels !\n"
    "It could not be opened again !";
// File %s holds bytes that the MeInit, which is read as UTF-8, would read as other text.
constexpr char kNotUtf8[] =
    "Unable to apply file \"%s\" : its text is not UTF-8, the encoding of your MeInit !\n"
    "Save it as UTF-8 first !";

}  // namespace meinit_messages

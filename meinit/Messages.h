// The edits' own messages: kept in m_strError and shown in verbose mode. Their wording, odd
// spellings included, is what users of the tool already know.
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
// Top-level node %s is missing in input file %s.
constexpr char kNoInputNode[] =
    "Unable to find \"%s\" node in file \"%s\" !\n"
    "This file is probably not meant for this argument !";
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

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

// What an edit says it would change when the run only checks the line: one line of the box
// that ends the run each, after the edit's own switch.
namespace check_lines {

// /allow: the aircraft %s would have %d pylon%s instead of %d.
constexpr char kPylons[] = "the %s would have %d pylon%s instead of %d";
// /addpredif: the payload of ID %s and name %s it would add.
constexpr char kPayload[] = "would add payload %s \"%s\"";
// /addpredif: the payload of ID %s it would add, which has no Name.
constexpr char kUnnamedPayload[] = "would add payload %s (no name)";
// /addpredif: the file adds no payload.
constexpr char kNoPayload[] = "would add no payload";
// /addpredif: payload %s would equal payload %s of the aircraft but for its ID.
constexpr char kAppliedAlready[] =
    "warning : payload %s equals payload %s apart from its ID : applied already?";
// /addpredif: the WorldIDs of the tasks that would get entries, new ones marked.
constexpr char kTasks[] = "would add entries to the tasks of WorldID %s";
// /addpredif: how kTasks marks a task that the edit would add whole.
constexpr char kNewTask[] = " (new)";
// /addpredif: no task would get an entry.
constexpr char kNoTask[] = "would add no task entry";
// /addpredif: a PayloadRef ID %s put into the task of WorldID %d names no payload of %s.
constexpr char kUnknownPayloadRef[] =
    "warning : PayloadRef ID=\"%s\" in the task of WorldID %d would name no payload of the %s";
// /weapons: it would replace %d launcher%s.
constexpr char kLaunchers[] = "would replace %d launcher%s";

}  // namespace check_lines

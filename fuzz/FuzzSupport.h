// What the fuzz targets share: silent windows, the example files, scratch files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Puts a host in place that shows nothing, so verbose runs cost no output.
void UseSilentHost();
// The content of one of the example files.
const std::string& Example(const char* pszName);
// A scratch folder of this process, created once, in the Windows view with a trailing '\'.
const std::string& ScratchFolder();
// Writes `data` into the scratch folder under `pszName`; returns its Windows path.
std::string WriteScratch(const char* pszName, const uint8_t* data, size_t size);
// Reads the scratch file `pszName` into `content`; false when there is none.
bool ReadScratch(const char* pszName, std::string& content);
// Removes the scratch file `pszName`, if there is one.
void RemoveScratch(const char* pszName);

class CMeInitFile;
class TiXmlDocument;

// Aborts unless `doc`, printed as the program saves it, loads again and prints the same bytes.
void AssertReadsBack(const TiXmlDocument& doc);
// Parses into `file` the example MeInit, read one of the ways a MeInit can be (as it is,
// declared UTF-8; after a byte-order mark; declared ISO-8859-1; undeclared) by `nWay` modulo 4.
void LoadExampleMeInit(CMeInitFile& file, size_t nWay);
// Parses the example MeInit, read a way that the input's size picks, and the fuzzed input, then,
// when the input loads, runs `edit` on them in verbose mode; an edit that succeeds (which the
// program would save) must leave a MeInit that reads back.
void RunEditOnExample(const uint8_t* data, size_t size,
                      bool (*edit)(CMeInitFile& file, TiXmlDocument& input));

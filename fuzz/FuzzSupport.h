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

class CMeInitFile;
class TiXmlDocument;

// Parses the example MeInit and the fuzzed input, then, when the input loads, runs `edit` on
// them in verbose mode.
void RunEditOnExample(const uint8_t* data, size_t size,
                      void (*edit)(CMeInitFile& file, TiXmlDocument& input));

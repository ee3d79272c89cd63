// Documents as text, for whole-output comparisons.
#pragma once

#include <string>

class TiXmlDocument;

// The bytes SaveFile would write for `doc` on this system.
std::string PrintDocument(const TiXmlDocument& doc);
// Parses `xml` into `doc` (as LoadFile would after reading it); fails the test on a parse error.
void ParseDocument(TiXmlDocument& doc, const std::string& xml);
